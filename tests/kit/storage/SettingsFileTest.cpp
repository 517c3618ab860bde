#include <SettingsFile.h>

#include <FindDirectory.h>
#include <kit/UnsavedSettings.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr const char* kPlatformFile = "/boot/home/config/settings/Meter.preferences";
constexpr const char* kOtherPlatformFile = "/boot/home/config/settings/Other.preferences";
const std::string kRecord = "new twenty-byte rec!";
const std::string kOld = "old settings, kept!!";

int Write(const char* platformPath = kPlatformFile, const std::string& bytes = kRecord) {
	return write_settings_file(platformPath, bytes.data(), bytes.size());
}

class SettingsFileTest : public testing::Test {
protected:
	void SetUp() override {
		fFolder = fRoot / "settings";
		fs::create_directory(fFolder);
		set_settings_directory(fFolder.c_str());
	}

	void TearDown() override { set_settings_directory(nullptr); }

	fs::path File() const { return fFolder / "Meter.preferences"; }

	static void Put(const fs::path& path, const std::string& bytes) {
		std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
	}

	static std::string Get(const fs::path& path) {
		std::ifstream in(path, std::ios::binary);
		return {std::istreambuf_iterator<char>(in), {}};
	}

	static Names NamesIn(const fs::path& folder) {
		Names names;
		for (const auto& entry : fs::directory_iterator(folder))
			names.push_back(entry.path().filename());
		std::sort(names.begin(), names.end());
		return names;
	}

	static mode_t ModeOf(const fs::path& path) {
		struct stat status;
		return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
	}

	const TempDir fRoot;
	fs::path fFolder;
};

TEST_F(SettingsFileTest, OnlyARegularFileIsReadOrWrittenAndNothingWaitsForAWriter) {
	Watchdog watchdog(std::chrono::seconds(30));
	char buffer[64];
	EXPECT_EQ(read_settings_file(kPlatformFile, buffer, sizeof buffer), 0u);

	// Opened as a file, a FIFO would wait for a writer that never comes.
	ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
	EXPECT_EQ(read_settings_file(kPlatformFile, buffer, sizeof buffer), 0u);
	EXPECT_EQ(Write(), EINVAL);
	EXPECT_TRUE(fs::is_fifo(File()));

	// Nothing is written through a link to a device, nor is the device replaced.
	fs::remove(File());
	fs::create_symlink("/dev/zero", File());
	EXPECT_EQ(read_settings_file(kPlatformFile, buffer, sizeof buffer), 0u);
	EXPECT_EQ(Write(), EINVAL);
	EXPECT_TRUE(fs::is_character_file("/dev/zero"));

	fs::remove(File());
	fs::create_directories(File() / "inside");
	EXPECT_EQ(read_settings_file(kPlatformFile, buffer, sizeof buffer), 0u);
	EXPECT_EQ(Write(), EISDIR);
	EXPECT_TRUE(fs::is_directory(File() / "inside"));

	fs::remove_all(File());
	Put(File(), "short");
	ASSERT_EQ(read_settings_file(kPlatformFile, buffer, sizeof buffer), 5u);
	EXPECT_EQ(std::string(buffer, 5), "short");
	EXPECT_EQ(NamesIn(fFolder), Names{"Meter.preferences"});
}

TEST_F(SettingsFileTest, AReplacedFileKeepsItsModeAndANewOneFollowsTheUmask) {
	for (const mode_t mode : {0644, 0600, 0640}) {
		Put(File(), kOld + kOld);
		fs::permissions(File(), fs::perms(mode));
		ASSERT_EQ(Write(), 0);
		EXPECT_EQ(Get(File()), kRecord);
		EXPECT_EQ(ModeOf(File()), mode) << std::oct << mode;
	}
	for (const auto& [mask, mode] : {std::pair{022, 0644}, std::pair{077, 0600}}) {
		fs::remove(File());
		const mode_t saved = umask(mask);
		const int status = Write();
		umask(saved);
		ASSERT_EQ(status, 0);
		EXPECT_EQ(ModeOf(File()), mode_t(mode)) << "umask " << std::oct << mask;
	}
	EXPECT_EQ(NamesIn(fFolder), Names{"Meter.preferences"});
}

TEST_F(SettingsFileTest, ALinkStaysALinkAndTheFileItEndsAtIsWritten) {
	// Settings kept with other dotfiles in a repository and linked into place.
	const fs::path repository = fRoot / "dotfiles";
	fs::create_directory(repository);
	Put(repository / "Meter.preferences", kOld);
	fs::create_symlink("../dotfiles/Meter.preferences", File());
	ASSERT_EQ(Write(), 0);
	EXPECT_EQ(fs::read_symlink(File()), "../dotfiles/Meter.preferences");
	EXPECT_EQ(Get(repository / "Meter.preferences"), kRecord);

	// A chain of links that ends where no file is yet: the file is made there.
	fs::remove(repository / "Meter.preferences");
	fs::create_symlink("Real.preferences", repository / "Meter.preferences");
	ASSERT_EQ(Write(), 0);
	EXPECT_TRUE(fs::is_symlink(repository / "Meter.preferences"));
	EXPECT_EQ(Get(repository / "Real.preferences"), kRecord);
	EXPECT_EQ(NamesIn(repository), (Names{"Meter.preferences", "Real.preferences"}));
	EXPECT_EQ(NamesIn(fFolder), Names{"Meter.preferences"});
}

TEST_F(SettingsFileTest, StaleTemporariesAreRemovedAndOnesBeingWrittenAreLeftAlone) {
	// Named as the kit names them; one writer was ended mid-write, another
	// is writing right now and holds the lock.
	const fs::path stale = fFolder / ".Other.preferences.vumeters-Ab3dE9";
	const fs::path busy = fFolder / ".Other.preferences.vumeters-Zz9yY8";
	// Named by mkstemp, as an earlier version left them: only an old one goes.
	const fs::path oldStray = fFolder / "Meter.preferences.q1W2e3";
	const fs::path newStray = fFolder / "Meter.preferences.r4T5y6";
	const Names others = {".Meter.preferences.swp", ".vumeters-Ab3dE9", "Meter.preferences.bak",
	                      "Other.preferences.q1W2e3"};
	for (const fs::path& path : {stale, busy, oldStray, newStray})
		Put(path, "half");
	for (const std::string& name : others)
		Put(fFolder / name, "not ours");
	fs::last_write_time(oldStray, fs::file_time_type::clock::now() - std::chrono::minutes(2));
	fs::last_write_time(fFolder / "Other.preferences.q1W2e3",
	                    fs::file_time_type::clock::now() - std::chrono::minutes(2));
	const int busyFile = open(busy.c_str(), O_RDONLY | O_CLOEXEC);
	ASSERT_EQ(flock(busyFile, LOCK_EX), 0);

	ASSERT_EQ(Write(), 0);
	close(busyFile);

	Names expected = others;
	expected.insert(expected.end(), {busy.filename(), newStray.filename(), "Meter.preferences"});
	std::sort(expected.begin(), expected.end());
	EXPECT_EQ(NamesIn(fFolder), expected);
}

TEST_F(SettingsFileTest, TwoWritersInOneFolderNeverSpoilEachOthersWrites) {
	Watchdog watchdog(std::chrono::seconds(120));
	constexpr int kWrites = 50;
	std::atomic<int> failures = 0;
	auto writer = [&failures](const char* platformPath, char base) {
		for (int i = 0; i < kWrites; ++i)
			if (Write(platformPath, std::string(20, char(base + i % 10))) != 0) ++failures;
	};
	std::thread corvel(writer, kPlatformFile, 'a');
	std::thread kestle(writer, kOtherPlatformFile, 'A');
	corvel.join();
	kestle.join();
	EXPECT_EQ(failures, 0);
	EXPECT_EQ(NamesIn(fFolder), (Names{"Meter.preferences", "Other.preferences"}));
	EXPECT_EQ(Get(File()), std::string(20, 'a' + (kWrites - 1) % 10));
}

TEST_F(SettingsFileTest, AReadOnlyFolderHoldingAWritableFileIsWrittenInPlace) {
	Put(File(), kOld + kOld);
	fs::permissions(File(), fs::perms(0644));
	GiveToUnprivilegedUser(fRoot.Path());
	fs::permissions(fFolder, fs::perms(0555));
	struct stat before;
	ASSERT_EQ(stat(File().c_str(), &before), 0);

	EXPECT_EQ(RunUnprivileged([] { return Write(); }), 0);
	EXPECT_EQ(Get(File()), kRecord);
	struct stat after;
	ASSERT_EQ(stat(File().c_str(), &after), 0);
	EXPECT_EQ(after.st_ino, before.st_ino);

	// A write cut short by the file size limit puts the old bytes back.
	Put(File(), kOld);
	EXPECT_EQ(RunUnprivileged([] {
		          std::signal(SIGXFSZ, SIG_IGN);
		          rlimit limit;
		          getrlimit(RLIMIT_FSIZE, &limit);
		          limit.rlim_cur = 10;
		          if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 254;
		          return Write();
	          }),
	          EFBIG);
	EXPECT_EQ(Get(File()), kOld);

	fs::permissions(File(), fs::perms(0444));
	EXPECT_EQ(RunUnprivileged([] { return Write(); }), EACCES);
	EXPECT_EQ(Get(File()), kOld);
	EXPECT_EQ(NamesIn(fFolder), Names{"Meter.preferences"});
}

TEST_F(SettingsFileTest, TheHostLearnsWhichFilesWereLeftUnwrittenAndWhy) {
	kit::TakeUnsavedSettings(); // the writes of the tests before
	fs::create_directory(File());
	EXPECT_EQ(Write(), EISDIR);
	fs::create_directory(fFolder / "Other.preferences");
	EXPECT_EQ(Write(kOtherPlatformFile), EISDIR);
	// A link is named by the file it ends at.
	ASSERT_EQ(mkfifo((fFolder / "fifo").c_str(), 0600), 0);
	fs::create_symlink("fifo", fFolder / "Third.preferences");
	EXPECT_EQ(Write("/boot/home/config/settings/Third.preferences"), EINVAL);
	// Written in the end, so saved.
	fs::remove(File());
	EXPECT_EQ(Write(), 0);

	const std::vector<kit::UnsavedSettings> unsaved = kit::TakeUnsavedSettings();
	ASSERT_EQ(unsaved.size(), 2u);
	EXPECT_EQ(unsaved[0].path, (fFolder / "Other.preferences").string());
	EXPECT_EQ(unsaved[0].reason, "Is a directory");
	EXPECT_EQ(unsaved[1].path, (fFolder / "fifo").string());
	EXPECT_EQ(unsaved[1].reason, "not a regular file");
	EXPECT_TRUE(kit::TakeUnsavedSettings().empty());
}

} // namespace
