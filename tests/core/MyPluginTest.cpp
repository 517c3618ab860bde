#include <Alert.h>
#include <Font.h>
#include <TextView.h>

#include <atomic>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "support/AddonTest.h"
#include "support/FailingAllocations.h"

namespace {

using MyPluginTest = AddonTest;

BRect FrameOf(BWindow* window) {
	if (!window->Lock()) return BRect();
	const BRect frame = window->Frame();
	window->Unlock();
	return frame;
}

BAlert* WaitForAlert() {
	const bigtime_t deadline = system_time() + 5000000;
	while (system_time() < deadline) {
		for (BWindow* window : kit::Windows())
			if (auto* alert = dynamic_cast<BAlert*>(window)) return alert;
		snooze(1000);
	}
	return nullptr;
}

std::string Describe(BRect frame) {
	return std::to_string(frame.left) + ", " + std::to_string(frame.top) + ", " +
	       std::to_string(frame.right) + ", " + std::to_string(frame.bottom);
}

} // namespace

TEST_F(MyPluginTest, NewPluginHandsOverAnIdleObjectAndQueriesOpenNothing) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_NE(plugin, nullptr);
	EXPECT_EQ(addon.NewPluginResult(), 1);
	EXPECT_STREQ(plugin->short_name, "vu-meter");
	EXPECT_STREQ(plugin->long_name, "Corvel's VU-Meter by Corvel Dravik");
	EXPECT_EQ(plugin->host_handler, nullptr);
	EXPECT_FALSE(plugin->host_flag);

	const size_t windows = kit::Windows().size();
	EXPECT_TRUE(plugin->About(true));
	EXPECT_TRUE(plugin->Prefs(true));
	EXPECT_EQ(plugin->GetFlags(), 1u);
	EXPECT_EQ(kit::Windows().size(), windows);
}

TEST_F(MyPluginTest, RenderNeedsARunningWindow) {
	Addon addon(KESTLE_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	std::vector<int16> silence(kBlockValues, 0);
	VisAudioInfoStruct info{};
	info.samples = silence.data();

	EXPECT_FALSE(plugin->Render(&info));
	ASSERT_TRUE(plugin->Init());
	EXPECT_TRUE(plugin->Render(&info));
	EXPECT_TRUE(plugin->Render(&info));
	plugin->Cleanup();
	EXPECT_FALSE(plugin->Render(&info));
}

TEST_F(MyPluginTest, InitOpensTheMeterWindowAtTheSavedFrame) {
	ASSERT_TRUE(WriteSettings(CorvelSettings(), {BRect(100, 120, 300, 420), 100}));
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	BWindow* meter = kit::FindWindow(kCorvelTitle);
	ASSERT_NE(meter, nullptr);
	ASSERT_TRUE(meter->Lock());
	EXPECT_EQ(meter->Frame(), BRect(100, 120, 300, 420));
	EXPECT_FALSE(meter->IsHidden());
	EXPECT_EQ(meter->Flags(), uint32(B_WILL_ACCEPT_FIRST_CLICK));
	meter->Unlock();
	plugin->Cleanup();
}

TEST_F(MyPluginTest, WindowMovedAndResizedByTheUserReopensThereAfterReload) {
	{
		Addon addon(CORVEL_ADDON);
		VisualizationPlugin* plugin = addon.NewPlugin();
		ASSERT_TRUE(plugin->Init());
		BWindow* meter = kit::FindWindow(kCorvelTitle);
		ASSERT_NE(meter, nullptr);
		EXPECT_EQ(FrameOf(meter), BRect(50, 50, 100, 450));
		ASSERT_TRUE(kit::UserMove(meter, BPoint(200, 150)));
		ASSERT_TRUE(kit::UserResize(meter, 300, 250));
		plugin->Cleanup();
		EXPECT_EQ(kit::FindWindow(kCorvelTitle), nullptr);
		ASSERT_TRUE(addon.Unload());
	}

	SettingsRecord record{};
	size_t size = 0;
	ASSERT_TRUE(ReadSettings(CorvelSettings(), &record, &size));
	EXPECT_EQ(size, 20u);
	EXPECT_EQ(record.frame, BRect(200, 150, 500, 400));
	EXPECT_EQ(record.gain, 100);

	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	BWindow* meter = kit::FindWindow(kCorvelTitle);
	ASSERT_NE(meter, nullptr);
	EXPECT_EQ(FrameOf(meter), BRect(200, 150, 500, 400));
	plugin->Cleanup();
}

TEST_F(MyPluginTest, TwoAddonsLoadedTogetherShareNothing) {
	Addon corvel(CORVEL_ADDON);
	Addon kestle(KESTLE_ADDON);
	VisualizationPlugin* bars = corvel.NewPlugin();
	VisualizationPlugin* needles = kestle.NewPlugin();
	ASSERT_TRUE(bars->Init());
	ASSERT_TRUE(needles->Init());

	// Each has its own semaphore and window: one open window does not stop
	// the other add-on from opening its own.
	bars->Prefs(false);
	needles->Prefs(false);
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	EXPECT_EQ(CountWindows(kKestlePrefsTitle), 1);

	ASSERT_TRUE(kit::UserMove(kit::FindWindow(kKestleTitle), BPoint(300, 60)));
	needles->Cleanup();
	EXPECT_EQ(CountWindows(kKestlePrefsTitle), 0);
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	bars->Prefs(false);
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	bars->Cleanup();
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);

	ASSERT_TRUE(kestle.Unload());
	EXPECT_TRUE(std::filesystem::exists(KestleSettings()));
	EXPECT_FALSE(std::filesystem::exists(CorvelSettings()));
	ASSERT_TRUE(corvel.Unload());

	SettingsRecord record{};
	size_t size = 0;
	ASSERT_TRUE(ReadSettings(KestleSettings(), &record, &size));
	EXPECT_EQ(record.frame, BRect(300, 60, 350, 460));
	ASSERT_TRUE(ReadSettings(CorvelSettings(), &record, &size));
	EXPECT_EQ(record.frame, BRect(50, 50, 100, 450));
}

TEST_F(MyPluginTest, AboutBoxSetsTheHeadingInBoldAt24Points) {
	Addon addon(KESTLE_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	std::atomic<bool> answered{false};
	std::thread player([&] { answered = plugin->About(false); });

	BAlert* alert = WaitForAlert();
	ASSERT_NE(alert, nullptr);
	ASSERT_TRUE(kit::WaitForIdle(alert));
	ASSERT_TRUE(alert->Lock());
	EXPECT_STREQ(alert->Title(), "");
	EXPECT_EQ(alert->CountButtons(), 1);
	BTextView* text = alert->TextView();
	ASSERT_NE(text, nullptr);
	EXPECT_EQ(std::string(text->Text()).rfind("VU-Meter\nVersion 1.0\n\nMade by Vessik Lundrel\nE-mail: ", 0),
	          0u);
	BFont heading, body;
	text->GetFontAndColor(2, &heading);
	text->GetFontAndColor(10, &body);
	EXPECT_EQ(heading.Face() & B_BOLD_FACE, B_BOLD_FACE);
	EXPECT_EQ(heading.Size(), 24.0f);
	text->GetFontAndColor(7, &heading);
	EXPECT_EQ(heading.Size(), 24.0f);
	EXPECT_EQ(body, *be_plain_font);
	alert->Unlock();

	// Enter presses the default button, which ends Go() and deletes the alert.
	kit::TypeKey(alert, "\n");
	player.join();
	EXPECT_TRUE(answered);
}

TEST_F(MyPluginTest, OnlyAnUnusableSavedFrameIsReplacedByTheDefaultWhenTheWindowOpens) {
	// Opens the meter window at `saved` and stops it again: where the window
	// opened, and what was saved after the unload.
	auto cycle = [this](BRect saved, BRect* opened, BRect* kept) {
		ASSERT_TRUE(WriteSettings(CorvelSettings(), {saved, 321}));
		Addon addon(CORVEL_ADDON);
		VisualizationPlugin* plugin = addon.NewPlugin();
		ASSERT_TRUE(plugin->Init());
		BWindow* meter = kit::FindWindow(kCorvelTitle);
		ASSERT_NE(meter, nullptr);
		*opened = FrameOf(meter);
		plugin->Cleanup();
		ASSERT_TRUE(addon.Unload());
		SettingsRecord record{};
		size_t size = 0;
		ASSERT_TRUE(ReadSettings(CorvelSettings(), &record, &size));
		EXPECT_EQ(record.gain, 321);
		*kept = record.frame;
	};
	const BRect usual(50, 50, 100, 450);
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float infinity = std::numeric_limits<float>::infinity();

	// Not finite, inverted, or off the 1024 x 768 screen on any side.
	for (const BRect saved :
	     {BRect(nan, 50, 100, 450), BRect(50, 50, 100, infinity), BRect(100, 50, 99, 450),
	      BRect(50, 450, 100, 449), BRect(-20000, -20000, -19900, -19600), BRect(1024, 100, 1124, 400),
	      BRect(100, 768, 200, 900), BRect(100, -400, 200, -1)}) {
		SCOPED_TRACE(Describe(saved));
		BRect opened, kept;
		cycle(saved, &opened, &kept);
		EXPECT_EQ(opened, usual);
		EXPECT_EQ(kept, usual);
	}

	// Fractions, a one-pixel window, one pixel on the screen at either corner.
	for (const BRect saved : {BRect(1.5f, -2.25f, 640, 480.75f), BRect(300, 200, 300, 200),
	                          BRect(-100, -100, 0, 0), BRect(1023, 767, 1100, 900)}) {
		SCOPED_TRACE(Describe(saved));
		BRect opened, kept;
		cycle(saved, &opened, &kept);
		EXPECT_EQ(opened.LeftTop(), saved.LeftTop());
		EXPECT_EQ(kept, saved);
	}
}

TEST_F(MyPluginTest, OperationsThatRunOutOfMemoryAnswerFalseAndThrowNothing) {
	Addon failed(CORVEL_ADDON);
	{
		FailingAllocations noMemory;
		EXPECT_EQ(failed.NewPlugin(), nullptr);
	}
	EXPECT_EQ(failed.NewPluginResult(), 1);

	Addon addon(KESTLE_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_NE(plugin, nullptr);
	std::vector<int16> silence(kBlockValues, 0);
	VisAudioInfoStruct info{};
	info.samples = silence.data();
	{
		FailingAllocations noMemory;
		EXPECT_FALSE(plugin->Init());
		EXPECT_FALSE(plugin->Render(&info));
	}
	EXPECT_EQ(kit::FindWindow(kKestleTitle), nullptr);

	ASSERT_TRUE(plugin->Init());
	{
		FailingAllocations noMemory;
		EXPECT_FALSE(plugin->Prefs(false));
		EXPECT_FALSE(plugin->About(false));
	}
	// A preferences window that could not be made does not stop the next.
	EXPECT_TRUE(plugin->Prefs(false));
	EXPECT_EQ(CountWindows(kKestlePrefsTitle), 1);
	EXPECT_TRUE(plugin->Render(&info));
	plugin->Cleanup();
	EXPECT_TRUE(addon.Unload());
}
