// The fixture for tests that drive the real add-on libraries: the headless
// display with a 1024 x 768 screen, a fresh settings folder for each test,
// and a watchdog.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <FindDirectory.h>
#include <Window.h>
#include <kit/Display.h>

#include <gtest/gtest.h>

#include "support/AddonHost.h"
#include "support/TempDir.h"
#include "support/Watchdog.h"

inline constexpr const char* kCorvelTitle = "Corvel's VU-Meter";
inline constexpr const char* kCorvelPrefsTitle = "Corvel's VU-Meter Prefs";
inline constexpr const char* kKestleTitle = "Kestle VU-Meter";
inline constexpr const char* kKestlePrefsTitle = "Kestle VU-Meter Prefs";

class AddonTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	void SetUp() override {
		ASSERT_TRUE(kit::IsHeadlessDisplay());
		set_settings_directory(fSettings.c_str());
	}

	void TearDown() override { set_settings_directory(nullptr); }

	std::string CorvelSettings() const {
		return fSettings + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	}
	std::string KestleSettings() const {
		return fSettings + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";
	}

	Watchdog fWatchdog{std::chrono::seconds(120)};
	TempDir fFolder;
	std::string fSettings = fFolder.Path().string();
};
