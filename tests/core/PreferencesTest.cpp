#include "core/Preferences.h"

#include <FindDirectory.h>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <thread>

#include "support/TempDir.h"
#include <unistd.h>

#include "support/Unprivileged.h"
#include "support/Watchdog.h"

constinit const char* const Preferences::PrefsDataFile =
    "/boot/home/config/settings/VU-Meter_Test.preferences";

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8>;

class PreferencesTest : public testing::Test {
protected:
	void SetUp() override { set_settings_directory(fFolder.c_str()); }

	void TearDown() override {
		set_settings_directory(nullptr);
		// A test may have left the folder read-only.
		fs::permissions(fFolder, fs::perms::owner_all);
	}

	fs::path File() const { return fFolder / "VU-Meter_Test.preferences"; }

	void WriteFile(const Bytes& bytes) const {
		std::ofstream out(File(), std::ios::binary);
		out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
	}

	Bytes ReadFile() const {
		std::ifstream in(File(), std::ios::binary);
		return Bytes(std::istreambuf_iterator<char>(in), {});
	}

	std::vector<fs::path> FolderEntries() const {
		return {fs::directory_iterator(fFolder), fs::directory_iterator()};
	}

	TempDir fScratch;
	fs::path fFolder = fScratch.Path();
};

// A record with the frame 1.5, -2.25, 640, 480.75 and the given gain.
Bytes Record(int32 gain) {
	Bytes bytes = {0x00, 0x00, 0xc0, 0x3f, 0x00, 0x00, 0x10, 0xc0,
	               0x00, 0x00, 0x20, 0x44, 0x00, 0x60, 0xf0, 0x43};
	for (int i = 0; i < 4; ++i)
		bytes.push_back(uint8(uint32(gain) >> (8 * i)));
	return bytes;
}

constexpr BRect kRecordFrame(1.5f, -2.25f, 640, 480.75f);
constexpr BRect kDefaultFrame(50, 50, 100, 450);

TEST_F(PreferencesTest, NoFileGivesTheDefaults) {
	Preferences prefs;
	EXPECT_EQ(prefs.frame, kDefaultFrame);
	EXPECT_EQ(prefs.gain, 100);
}

TEST_F(PreferencesTest, GainOutsideOneToThousandBecomesTheDefault) {
	for (int32 stored : {0, -1, INT32_MIN, 1001, INT32_MAX}) {
		WriteFile(Record(stored));
		Preferences prefs;
		EXPECT_EQ(prefs.gain, 100) << "stored " << stored;
		EXPECT_EQ(prefs.frame, kRecordFrame) << "stored " << stored;
	}
	for (int32 stored : {1, 1000}) {
		WriteFile(Record(stored));
		Preferences prefs;
		EXPECT_EQ(prefs.gain, stored);
	}
}

TEST_F(PreferencesTest, ShortFileKeepsTheDefaultsItDoesNotReach) {
	Bytes frameOnly = Record(7);
	frameOnly.resize(16);
	WriteFile(frameOnly);
	{
		Preferences prefs;
		EXPECT_EQ(prefs.frame, kRecordFrame);
		EXPECT_EQ(prefs.gain, 100);
	}
	Bytes leftOnly = Record(7);
	leftOnly.resize(4);
	WriteFile(leftOnly);
	{
		Preferences prefs;
		EXPECT_EQ(prefs.frame, BRect(1.5f, 50, 100, 450));
		EXPECT_EQ(prefs.gain, 100);
	}
	WriteFile({});
	Preferences prefs;
	EXPECT_EQ(prefs.frame, kDefaultFrame);
}

TEST_F(PreferencesTest, WritesTheLittleEndianRecordAndReadsItBack) {
	{
		Preferences prefs;
		prefs.frame = kRecordFrame;
		prefs.gain = 777;
	}
	EXPECT_EQ(ReadFile(), Record(777));
	Preferences again;
	EXPECT_EQ(again.frame, kRecordFrame);
	EXPECT_EQ(again.gain, 777);
}

TEST_F(PreferencesTest, ReplacesALongerFileWithExactlyTheRecord) {
	WriteFile(Bytes(64, 0xAB));
	{ Preferences prefs; }
	EXPECT_EQ(ReadFile().size(), 20u);
	EXPECT_EQ(FolderEntries(), std::vector<fs::path>{File()});
}

TEST_F(PreferencesTest, FullDiskKeepsTheOldFileAndLeavesNoTemporary) {
	WriteFile(Record(250));
	std::optional<Preferences> prefs(std::in_place);
	prefs->gain = 400;

	// A file size limit of 0 makes every write fail as on a full disk.
	rlimit saved;
	ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
	rlimit none = saved;
	none.rlim_cur = 0;
	const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
	prefs.reset();
	setrlimit(RLIMIT_FSIZE, &saved);
	std::signal(SIGXFSZ, oldHandler);

	EXPECT_EQ(ReadFile(), Record(250));
	EXPECT_EQ(FolderEntries(), std::vector<fs::path>{File()});
}

TEST_F(PreferencesTest, ReadOnlyFolderSavesTheSessionInPlaceOnlyWhenTheFileIsWritable) {
	WriteFile(Record(250));
	fs::permissions(File(), fs::perms(0644));
	GiveToUnprivilegedUser(fFolder);
	fs::permissions(fFolder, fs::perms(0555));
	auto session = [](int32 gain) {
		return RunUnprivileged([gain] {
			Preferences prefs;
			prefs.gain = gain;
			return 0;
		});
	};

	ASSERT_EQ(session(400), 0);
	EXPECT_EQ(ReadFile(), Record(400));
	fs::permissions(File(), fs::perms(0444));
	ASSERT_EQ(session(7), 0);
	EXPECT_EQ(ReadFile(), Record(400));
	EXPECT_EQ(FolderEntries(), std::vector<fs::path>{File()});
}

TEST_F(PreferencesTest, FailedReplaceLeavesNoTemporary) {
	// A folder where the file should be: the new record cannot be renamed over it.
	fs::create_directory(File());
	fs::create_directory(File() / "inside");
	{ Preferences prefs; }
	EXPECT_TRUE(fs::is_directory(File() / "inside"));
	EXPECT_EQ(FolderEntries(), std::vector<fs::path>{File()});
}

TEST_F(PreferencesTest, GainWrittenOnOneThreadIsReadOnAnother) {
	Watchdog watchdog(std::chrono::seconds(30));
	Preferences prefs;
	prefs.gain = 0;
	std::thread panel([&prefs] {
		for (int32 value = 1; value <= 500; ++value)
			prefs.gain = value;
	});
	int32 seen = 0;
	bool wentBack = false;
	while (seen != 500) {
		const int32 value = prefs.gain;
		wentBack = wentBack || value < seen;
		seen = value;
	}
	panel.join();
	EXPECT_FALSE(wentBack);
}

} // namespace
