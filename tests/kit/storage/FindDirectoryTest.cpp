#include <FindDirectory.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

#include "support/TempDir.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;

// Each test runs with the two variables under its control and no folder set
// through the kit; the previous environment comes back afterwards.
class FindDirectoryTest : public testing::Test {
protected:
	static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "HOME"};

	void SetUp() override {
		for (size_t i = 0; i < std::size(kVariables); ++i) {
			if (const char* value = std::getenv(kVariables[i])) fSaved[i] = value;
			unsetenv(kVariables[i]);
		}
		set_settings_directory(nullptr);
	}

	void TearDown() override {
		set_settings_directory(nullptr);
		for (size_t i = 0; i < std::size(kVariables); ++i) {
			if (fSaved[i])
				setenv(kVariables[i], fSaved[i]->c_str(), 1);
			else
				unsetenv(kVariables[i]);
		}
	}

	std::string At(const char* relative) const { return fRoot / relative; }

	const TempDir fRoot;
	std::optional<std::string> fSaved[std::size(kVariables)];
};

TEST_F(FindDirectoryTest, FolderSetByTheHostComesFirstThenTheUserConfigFolder) {
	setenv("HOME", At("home").c_str(), 1);
	setenv("XDG_CONFIG_HOME", (At("xdg") + "//").c_str(), 1);
	set_settings_directory(At("host").c_str());
	EXPECT_EQ(settings_directory(), At("host"));

	set_settings_directory(nullptr);
	EXPECT_EQ(user_config_directory(), At("xdg"));
	EXPECT_EQ(settings_directory(), At("xdg"));
	unsetenv("XDG_CONFIG_HOME");
	EXPECT_EQ(settings_directory(), At("home/.config"));

	set_settings_directory(At("host").c_str());
	set_settings_directory("");
	EXPECT_EQ(settings_directory(), At("home/.config"));
}

TEST_F(FindDirectoryTest, EmptyVariablesAndARelativeConfigHomeAreIgnored) {
	setenv("HOME", At("home").c_str(), 1);
	setenv("XDG_CONFIG_HOME", "relative/config", 1);
	EXPECT_EQ(user_config_directory(), At("home/.config"));
	setenv("XDG_CONFIG_HOME", "", 1);
	EXPECT_EQ(user_config_directory(), At("home/.config"));
}

TEST_F(FindDirectoryTest, SettingsPathsMoveIntoTheFolderWhichIsCreated) {
	const std::string folder = At("deep/er/settings");
	set_settings_directory((folder + "/").c_str());
	EXPECT_EQ(host_path("/boot/home/config/settings/Meter.preferences"), folder + "/Meter.preferences");
	EXPECT_TRUE(fs::is_directory(folder));
	EXPECT_EQ(host_path("/boot/home/config/settings"), folder);
	EXPECT_EQ(host_path("/boot/home/config/settings/"), folder + "/");
}

TEST_F(FindDirectoryTest, OtherPathsComeBackUnchanged) {
	set_settings_directory(At("settings").c_str());
	for (const char* path : {"/boot/home/config/settingsX/a", "/boot/home/config/a",
	                         "boot/home/config/settings/a", "/tmp/a", "", "/"})
		EXPECT_EQ(host_path(path), path);
	EXPECT_EQ(host_path(nullptr), "");
	EXPECT_FALSE(fs::exists(At("settings")));
}

TEST_F(FindDirectoryTest, FolderThatCannotBeCreatedStillGivesThePath) {
	std::ofstream(At("file")) << "not a folder";
	set_settings_directory(At("file/settings").c_str());
	EXPECT_EQ(host_path("/boot/home/config/settings/a"), At("file/settings/a"));
	EXPECT_FALSE(fs::exists(At("file/settings")));
}

TEST_F(FindDirectoryTest, FolderCanBeChangedWhileOtherThreadsMapPaths) {
	Watchdog watchdog(std::chrono::seconds(60));
	const std::string first = At("first");
	const std::string second = At("second");
	std::atomic<bool> stop = false;
	std::atomic<int> unexpected = 0;
	std::vector<std::thread> mappers;
	set_settings_directory(first.c_str());
	for (int i = 0; i < 2; ++i) {
		mappers.emplace_back([&] {
			while (!stop) {
				const std::string path = host_path("/boot/home/config/settings/x");
				if (path != first + "/x" && path != second + "/x") ++unexpected;
			}
		});
	}
	for (int round = 0; round < 2000; ++round)
		set_settings_directory((round % 2 == 0 ? second : first).c_str());
	stop = true;
	for (std::thread& mapper : mappers)
		mapper.join();
	EXPECT_EQ(unexpected, 0);
}

} // namespace
