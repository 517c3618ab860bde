#include <InterfaceDefs.h>
#include <Messenger.h>
#include <Slider.h>

#include <atomic>
#include <string>
#include <thread>

#include "host/FirstSlider.h"
#include "support/AddonTest.h"

namespace {

using PreferencesWindow = AddonTest;

std::string LabelOf(BWindow* window) {
	if (!window->Lock()) return "(window gone)";
	BSlider* slider = FirstSlider(window);
	std::string label = slider ? slider->Label() : "(no slider)";
	window->Unlock();
	return label;
}

bool IsActive(BWindow* window) {
	if (!window->Lock()) return false;
	const bool active = window->IsActive();
	window->Unlock();
	return active;
}

} // namespace

TEST_F(PreferencesWindow, RequestsBeforeInitAndAfterCleanupOpenNothing) {
	Addon addon(CORVEL_ADDON);
	ASSERT_TRUE(addon.IsOpen());
	VisualizationPlugin* plugin = addon.NewPlugin();

	EXPECT_TRUE(plugin->Prefs(false));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);

	ASSERT_TRUE(plugin->Init());
	plugin->Cleanup();
	EXPECT_TRUE(plugin->Prefs(false));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);
}

TEST_F(PreferencesWindow, SecondRequestRaisesTheOpenWindow) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	BWindow* meter = kit::FindWindow(kCorvelTitle);
	ASSERT_NE(meter, nullptr);

	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	EXPECT_TRUE(IsActive(prefs));

	ASSERT_TRUE(kit::UserActivate(meter));
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	ASSERT_FALSE(IsActive(prefs));

	plugin->Prefs(false);
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	EXPECT_EQ(kit::FindWindow(kCorvelPrefsTitle), prefs);
	EXPECT_TRUE(IsActive(prefs));
	plugin->Cleanup();
}

TEST_F(PreferencesWindow, RequestWhileMinimisedRestoresTheWindow) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	ASSERT_TRUE(kit::UserMinimize(prefs, true));

	plugin->Prefs(false);
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	ASSERT_TRUE(prefs->Lock());
	EXPECT_FALSE(prefs->IsMinimized());
	EXPECT_FALSE(prefs->IsHidden());
	EXPECT_TRUE(prefs->IsActive());
	prefs->Unlock();
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	plugin->Cleanup();
}

TEST_F(PreferencesWindow, OpensCentredOnTheScreenWithTheGainSlider) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);

	ASSERT_TRUE(prefs->Lock());
	EXPECT_EQ(prefs->Frame(), BRect(391.5f, 343.5f, 631.5f, 423.5f));
	EXPECT_FALSE(prefs->IsHidden());
	// No flag: movable, resizable, closable, zoomable and minimisable.
	EXPECT_EQ(prefs->Flags(), 0u);
	BSlider* slider = FirstSlider(prefs);
	ASSERT_NE(slider, nullptr);
	EXPECT_EQ(slider->Frame(), BRect(5, 5, 235, 55));
	int32 minimum = 0, maximum = 0;
	slider->GetLimits(&minimum, &maximum);
	EXPECT_EQ(minimum, 1);
	EXPECT_EQ(maximum, 500);
	EXPECT_EQ(slider->Value(), 100);
	EXPECT_STREQ(slider->Label(), "Gain (100%)");
	EXPECT_STREQ(slider->MinLimitLabel(), "1%");
	EXPECT_STREQ(slider->MaxLimitLabel(), "500%");
	EXPECT_EQ(slider->HashMarks(), B_HASH_MARKS_BOTTOM);
	EXPECT_EQ(slider->HashMarkCount(), 6);
	EXPECT_EQ(slider->ResizingMode(), uint32(B_FOLLOW_LEFT | B_FOLLOW_TOP));
	EXPECT_EQ(slider->Flags(), uint32(B_NAVIGABLE | B_WILL_DRAW | B_FRAME_EVENTS));
	prefs->Unlock();

	// The slider keeps its place when the window grows.
	ASSERT_TRUE(kit::UserResize(prefs, 400, 200));
	ASSERT_TRUE(prefs->Lock());
	EXPECT_EQ(FirstSlider(prefs)->Frame(), BRect(5, 5, 235, 55));
	prefs->Unlock();
	plugin->Cleanup();
}

TEST_F(PreferencesWindow, ClosedWindowReopensCentredAgain) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	ASSERT_TRUE(kit::UserMove(prefs, BPoint(20, 30)));
	kit::CloseBox(prefs); // false once the window has quit
	ASSERT_TRUE(WaitUntilNoWindow(kCorvelPrefsTitle));

	plugin->Prefs(false);
	prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	ASSERT_TRUE(prefs->Lock());
	EXPECT_EQ(prefs->Frame(), BRect(391.5f, 343.5f, 631.5f, 423.5f));
	prefs->Unlock();
	plugin->Cleanup();
}

TEST_F(PreferencesWindow, DraggingChangesNothingUntilTheThumbIsReleased) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);

	ASSERT_TRUE(prefs->Lock());
	BSlider* slider = FirstSlider(prefs);
	ASSERT_NE(slider, nullptr);
	const BPoint origin = slider->Frame().LeftTop(); // the panel covers the window
	const BRect thumb = slider->ThumbFrame();
	const BRect bar = slider->BarFrame();
	const BPoint grab((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
	const BPoint drop(bar.left + bar.Width() / 2, grab.y);
	const int32 dropped = slider->ValueForPoint(drop);
	prefs->Unlock();
	ASSERT_NE(dropped, 100);

	ASSERT_TRUE(kit::MouseDown(prefs, origin + grab, B_PRIMARY_MOUSE_BUTTON));
	ASSERT_TRUE(kit::MouseMove(prefs, origin + drop, B_PRIMARY_MOUSE_BUTTON));
	EXPECT_EQ(LabelOf(prefs), "Gain (100%)");

	ASSERT_TRUE(kit::MouseUp(prefs, origin + drop));
	const std::string expected = "Gain (" + std::to_string(dropped) + "%)";
	EXPECT_EQ(LabelOf(prefs), expected);

	// A new window shows the gain set last.
	kit::CloseBox(prefs); // false once the window has quit
	ASSERT_TRUE(WaitUntilNoWindow(kCorvelPrefsTitle));
	plugin->Prefs(false);
	prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	EXPECT_EQ(LabelOf(prefs), expected);

	plugin->Cleanup();
	ASSERT_TRUE(addon.Unload());
	SettingsRecord record{};
	size_t size = 0;
	ASSERT_TRUE(ReadSettings(CorvelSettings(), &record, &size));
	EXPECT_EQ(record.gain, dropped);
}

TEST_F(PreferencesWindow, StoredGainAboveTheSliderRangeIsShownAsStoredAndDroppedDataIsIgnored) {
	ASSERT_TRUE(WriteSettings(CorvelSettings(), {BRect(50, 50, 100, 450), 800}));
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	EXPECT_EQ(LabelOf(prefs), "Gain (800%)");

	ASSERT_TRUE(prefs->Lock());
	EXPECT_EQ(FirstSlider(prefs)->Value(), 800);
	BMessenger panel(prefs->ChildAt(0));
	prefs->Unlock();
	BMessage dropped(B_SIMPLE_DATA);
	dropped.AddInt32("be:value", 3);
	ASSERT_EQ(panel.SendMessage(&dropped), B_OK);
	ASSERT_EQ(BMessenger(prefs).SendMessage(&dropped), B_OK);
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	EXPECT_EQ(LabelOf(prefs), "Gain (800%)");

	plugin->Cleanup();
	ASSERT_TRUE(addon.Unload());
	SettingsRecord record{};
	size_t size = 0;
	ASSERT_TRUE(ReadSettings(CorvelSettings(), &record, &size));
	EXPECT_EQ(record.gain, 800);
}

TEST_F(PreferencesWindow, CleanupWithoutPreferencesWindowReturnsAtOnce) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	const bigtime_t start = system_time();
	plugin->Cleanup();
	EXPECT_LT(system_time() - start, 300000);
}

TEST_F(PreferencesWindow, CleanupClosesTheOpenWindowAndReturnsSoonAfterItIsGone) {
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	ASSERT_TRUE(plugin->Init());
	plugin->Prefs(false);
	ASSERT_EQ(CountWindows(kCorvelPrefsTitle), 1);

	// The window is held busy while Cleanup starts, so that it is still
	// there when Cleanup begins to wait for it: else it may go first, and
	// Cleanup has nothing to wait for.
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	std::atomic<bool> held{false};
	std::thread holder([&] {
		if (prefs->Lock()) {
			held = true;
			snooze(200000);
			prefs->Unlock();
		}
	});
	while (!held.load())
		std::this_thread::yield();
	std::atomic<bigtime_t> gone{0};
	std::thread watcher([&] {
		ASSERT_TRUE(WaitUntilNoWindow(kCorvelPrefsTitle, 10000000));
		gone = system_time();
	});
	plugin->Cleanup();
	const bigtime_t returned = system_time();
	watcher.join();
	holder.join();

	ASSERT_NE(gone.load(), 0);
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);
	EXPECT_GE(returned - gone, 390000);
	EXPECT_LT(returned - gone, 1500000);
}

// The player asks for the preferences while the menu's messages 100 are
// being handled on the meter window's thread: exactly one window opens, and
// every later request only raises it.
TEST_F(PreferencesWindow, PlayerRequestsRacingTheMenuMessagesOpenExactlyOneWindow) {
	constexpr int kRequests = 10;
	Addon addon(CORVEL_ADDON);
	VisualizationPlugin* plugin = addon.NewPlugin();
	for (int round = 0; round < 25; round++) {
		ASSERT_TRUE(plugin->Init());
		BWindow* meter = kit::FindWindow(kCorvelTitle);
		ASSERT_NE(meter, nullptr);
		ASSERT_TRUE(meter->Lock());
		BMessenger view(meter->ChildAt(0));
		meter->Unlock();

		std::atomic<bool> go{false};
		std::thread menu([&] {
			while (!go.load())
				std::this_thread::yield();
			for (int i = 0; i < kRequests; i++)
				view.SendMessage(100);
		});
		go = true;
		// Each round starts the player's requests a little later, so that
		// the rounds sweep across the menu's requests.
		const bigtime_t start = system_time() + round * 20;
		while (system_time() < start)
			std::this_thread::yield();
		for (int i = 0; i < kRequests; i++)
			plugin->Prefs(false);
		menu.join();
		ASSERT_TRUE(kit::WaitForIdle(meter));

		EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1) << "round " << round;
		plugin->Cleanup();
		EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0) << "round " << round;
	}
}
