// The one way every program loads an add-on: what it says when a file is no
// add-on, the steps it announces, and that an unloaded library is gone.
#include <dlfcn.h>

#include <string>
#include <vector>

#include <FindDirectory.h>
#include <kit/Display.h>

#include <gtest/gtest.h>

#include "host/AddonCallObserver.h"
#include "host/AddonLibrary.h"
#include "host/AddonWatch.h"
#include "support/TempDir.h"

namespace {

class RecordingWatch final : public AddonCallObserver {
public:
	RecordingWatch() { AddonWatch::Add(this); }
	~RecordingWatch() override { AddonWatch::Remove(this); }

	void Began(const AddonCall& call) override { steps.push_back(std::string("enter ") + call.Name()); }
	void Ended(const AddonCall& call) override { steps.push_back(std::string("leave ") + call.Name()); }
	std::vector<std::string> steps;
};

bool StillMapped(const char* path) {
	void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
	if (handle) dlclose(handle);
	return handle != nullptr;
}

class AddonLibraryTest : public testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(640, 480); }
	void SetUp() override { set_settings_directory(fSettings.Path().c_str()); }
	void TearDown() override { set_settings_directory(nullptr); }

	TempDir fSettings;
	RecordingWatch fWatch;
};

TEST_F(AddonLibraryTest, FilesThatAreNoAddOnFailWithOneLineNamingThem) {
	AddonLibrary missing("/nonexistent/vis_none");
	EXPECT_FALSE(missing.IsOpen());
	EXPECT_EQ(missing.NewPlugin(), nullptr);
	EXPECT_EQ(missing.Error().rfind("/nonexistent/vis_none: ", 0), 0u) << missing.Error();

	AddonLibrary library(NOT_AN_ADDON);
	ASSERT_TRUE(library.IsOpen()) << library.Error();
	EXPECT_EQ(library.Error(), "");
	EXPECT_EQ(library.NewPlugin(), nullptr);
	EXPECT_EQ(library.Error(), std::string(NOT_AN_ADDON) + ": not an add-on (no NewPlugin)");
	EXPECT_EQ(library.Error().find('\n'), std::string::npos);
}

TEST_F(AddonLibraryTest, EveryStepInTheAddOnsCodeIsAnnouncedAndCloseLeavesNothingMapped) {
	{
		AddonLibrary library(CORVEL_ADDON);
		VisualizationPlugin* plugin = library.NewPlugin();
		ASSERT_NE(plugin, nullptr) << library.Error();
		EXPECT_EQ(library.NewPlugin(), plugin);
		EXPECT_EQ(library.NewPluginResult(), 1);
		EXPECT_TRUE(StillMapped(CORVEL_ADDON));
		EXPECT_TRUE(library.Close());
		EXPECT_EQ(library.Plugin(), nullptr);
	}
	EXPECT_FALSE(StillMapped(CORVEL_ADDON));
	const std::vector<std::string> expected = {"enter the library's constructors (dlopen)",
	                                           "leave the library's constructors (dlopen)",
	                                           "enter NewPlugin",
	                                           "leave NewPlugin",
	                                           "enter the plug-in's destructor",
	                                           "leave the plug-in's destructor",
	                                           "enter the library's destructors (dlclose)",
	                                           "leave the library's destructors (dlclose)"};
	EXPECT_EQ(fWatch.steps, expected);
}

TEST_F(AddonLibraryTest, ALibraryKeptLoadedOutlivesItsObjectAndStaysMapped) {
	{
		AddonLibrary library(CORVEL_ADDON);
		ASSERT_NE(library.NewPlugin(), nullptr) << library.Error();
		library.KeepLoaded();
		EXPECT_EQ(library.Plugin(), nullptr);
	}
	EXPECT_TRUE(StillMapped(CORVEL_ADDON));
	EXPECT_EQ(std::count(fWatch.steps.begin(), fWatch.steps.end(), "enter the plug-in's destructor"), 0);
}

} // namespace
