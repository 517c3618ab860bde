#include <AppDefs.h>
#include <MenuItem.h>
#include <Messenger.h>
#include <PopUpMenu.h>

#include "display/PluginView.h"
#include "support/AddonTest.h"

namespace {

// The meter view and its popup, read under the meter window's lock. Only the
// layout of PluginView is used here: its code stays inside the add-on.
struct MeterParts {
	BWindow* window = nullptr;
	PluginView* view = nullptr;
	BPopUpMenu* popup = nullptr;
};

MeterParts FindMeter() {
	MeterParts parts;
	parts.window = kit::FindWindow(kCorvelTitle);
	if (!parts.window || !parts.window->Lock()) return parts;
	parts.view = static_cast<PluginView*>(parts.window->ChildAt(0));
	parts.popup = parts.view ? parts.view->popup : nullptr;
	parts.window->Unlock();
	return parts;
}

BWindow* WaitForMenuWindow(BPopUpMenu* popup) {
	const bigtime_t deadline = system_time() + 5000000;
	while (system_time() < deadline) {
		if (BWindow* window = popup->MenuWindow()) return window;
		snooze(1000);
	}
	return nullptr;
}

bool ChooseTheOnlyItem(BPopUpMenu* popup) {
	BWindow* menu = WaitForMenuWindow(popup);
	if (!menu || !menu->Lock()) return false;
	const BRect bounds = menu->Bounds();
	menu->Unlock();
	const BPoint middle(bounds.Width() / 2, bounds.Height() / 2);
	if (!kit::MouseDown(menu, middle, B_PRIMARY_MOUSE_BUTTON)) return false;
	// The choice closes the menu, so the release may find its window gone.
	kit::MouseUp(menu, middle);
	return true;
}

bool WaitUntilClosed(BPopUpMenu* popup) {
	const bigtime_t deadline = system_time() + 5000000;
	while (popup->IsOpen()) {
		if (system_time() > deadline) return false;
		snooze(1000);
	}
	return true;
}

BMessage KeyDown(const char* bytes, int32 key, uint32 modifiers) {
	BMessage message(B_KEY_DOWN);
	message.AddInt64("when", 123456);
	message.AddInt32("modifiers", int32(modifiers));
	message.AddInt32("key", key);
	message.AddInt32("raw_char", bytes[0]);
	message.AddInt8("byte", int8(bytes[0]));
	message.AddString("bytes", bytes);
	return message;
}

class PluginViewTest : public AddonTest {
protected:
	void SetUp() override {
		AddonTest::SetUp();
		fAddon = std::make_unique<Addon>(CORVEL_ADDON);
		ASSERT_TRUE(fAddon->IsOpen());
		fPlugin = fAddon->NewPlugin();
	}

	void TearDown() override {
		fAddon.reset();
		AddonTest::TearDown();
	}

	std::unique_ptr<Addon> fAddon;
	VisualizationPlugin* fPlugin = nullptr;
};

} // namespace

TEST_F(PluginViewTest, SecondaryClickOpensTheOneItemPopupAtThePointer) {
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();
	ASSERT_NE(meter.popup, nullptr);

	ASSERT_TRUE(meter.window->Lock());
	EXPECT_STREQ(meter.popup->Name(), "Main menu");
	ASSERT_EQ(meter.popup->CountItems(), 1);
	BMenuItem* item = meter.popup->ItemAt(0);
	EXPECT_STREQ(item->Label(), "Preferences");
	uint32 modifiers = 0;
	EXPECT_EQ(item->Shortcut(&modifiers), 'p');
	EXPECT_EQ(modifiers & B_COMMAND_KEY, B_COMMAND_KEY);
	EXPECT_EQ(item->Command(), 100u);
	EXPECT_EQ(item->Target(), meter.view);
	const BPoint where(20, 40);
	const BPoint onScreen = meter.window->ConvertToScreen(where);
	meter.window->Unlock();

	ASSERT_TRUE(kit::Click(meter.window, where, B_SECONDARY_MOUSE_BUTTON));
	BWindow* menu = WaitForMenuWindow(meter.popup);
	ASSERT_NE(menu, nullptr);
	ASSERT_TRUE(menu->Lock());
	EXPECT_EQ(menu->Frame().LeftTop(), onScreen);
	menu->Unlock();
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);

	ASSERT_TRUE(ChooseTheOnlyItem(meter.popup));
	ASSERT_TRUE(WaitUntilClosed(meter.popup));
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);

	// Chosen again, it raises the open window instead of opening another.
	ASSERT_TRUE(kit::Click(meter.window, where, B_SECONDARY_MOUSE_BUTTON));
	ASSERT_TRUE(ChooseTheOnlyItem(meter.popup));
	ASSERT_TRUE(WaitUntilClosed(meter.popup));
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	BWindow* prefs = kit::FindWindow(kCorvelPrefsTitle);
	ASSERT_NE(prefs, nullptr);
	ASSERT_TRUE(kit::WaitForIdle(prefs));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	ASSERT_TRUE(prefs->Lock());
	EXPECT_TRUE(prefs->IsActive());
	prefs->Unlock();
	fPlugin->Cleanup();
}

TEST_F(PluginViewTest, CommandPOpensThePreferencesAndIsNotForwarded) {
	PlayerPointer player = StartPlayer();
	fPlugin->host_handler = player->Handler();
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();

	ASSERT_TRUE(kit::TypeKey(meter.window, "p", B_COMMAND_KEY));
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);
	ASSERT_TRUE(kit::TypeKey(meter.window, "p", B_COMMAND_KEY));
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 1);

	ASSERT_TRUE(player->Settle());
	EXPECT_TRUE(player->Received().empty());
	fPlugin->Cleanup();
}

// The display here does not activate a window on a click by itself, so the
// activation can only come from the view.
TEST_F(PluginViewTest, PrimaryClickActivatesAnInactiveWindowAndDoesNothingElse) {
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();
	BWindow* other =
	    new BWindow(BRect(600, 100, 700, 200), "other", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	other->Show();
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	ASSERT_TRUE(meter.window->Lock());
	ASSERT_FALSE(meter.window->IsActive());
	meter.window->Unlock();

	BMessage click(B_MOUSE_DOWN);
	click.AddInt64("when", system_time());
	click.AddPoint("where", BPoint(10, 10));
	click.AddInt32("buttons", B_PRIMARY_MOUSE_BUTTON);
	click.AddInt32("modifiers", 0);
	click.AddInt32("clicks", 1);
	ASSERT_EQ(BMessenger(meter.window).SendMessage(&click), B_OK);
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	ASSERT_TRUE(kit::WaitForIdle(meter.window));

	ASSERT_TRUE(meter.window->Lock());
	EXPECT_TRUE(meter.window->IsActive());
	meter.window->Unlock();
	EXPECT_FALSE(meter.popup->IsOpen());
	EXPECT_EQ(CountWindows(kCorvelPrefsTitle), 0);

	ASSERT_TRUE(other->Lock());
	other->Quit();
	fPlugin->Cleanup();
}

TEST_F(PluginViewTest, TertiaryOrTwoButtonsTogetherDoNothing) {
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();
	const size_t windows = kit::Windows().size();

	for (uint32 buttons :
	     {uint32(B_TERTIARY_MOUSE_BUTTON), uint32(B_PRIMARY_MOUSE_BUTTON | B_SECONDARY_MOUSE_BUTTON)}) {
		ASSERT_TRUE(kit::Click(meter.window, BPoint(15, 15), buttons));
		ASSERT_TRUE(kit::WaitForIdle(meter.window));
		EXPECT_FALSE(meter.popup->IsOpen()) << buttons;
		EXPECT_EQ(kit::Windows().size(), windows) << buttons;
	}
	fPlugin->Cleanup();
}

TEST_F(PluginViewTest, OtherKeysReachThePlayerUnchanged) {
	PlayerPointer player = StartPlayer();
	fPlugin->host_handler = player->Handler();
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();

	const BMessage key = KeyDown("x", 0x3d, B_SHIFT_KEY);
	BMessage sent(key);
	ASSERT_EQ(BMessenger(meter.window).SendMessage(&sent), B_OK);
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	ASSERT_TRUE(kit::TypeKey(meter.window, "q"));
	ASSERT_TRUE(player->Settle());

	const std::vector<BMessage> received = player->Received();
	ASSERT_EQ(received.size(), 2u);
	EXPECT_TRUE(received[0].HasSameData(key)) << received[0].ToString();
	EXPECT_EQ(received[1].what, uint32(B_KEY_DOWN));
	EXPECT_STREQ(received[1].GetString("bytes"), "q");
	fPlugin->Cleanup();
}

TEST_F(PluginViewTest, KeysWithoutAPlayerHandlerAreDropped) {
	BHandler lonely("not in a looper");
	for (BHandler* handler : {static_cast<BHandler*>(nullptr), &lonely}) {
		fPlugin->host_handler = handler;
		ASSERT_TRUE(fPlugin->Init());
		MeterParts meter = FindMeter();
		ASSERT_TRUE(kit::TypeKey(meter.window, "x"));
		ASSERT_TRUE(kit::WaitForIdle(meter.window));
		EXPECT_NE(kit::FindWindow(kCorvelTitle), nullptr);
		fPlugin->Cleanup();
	}
}

TEST_F(PluginViewTest, ViewTakesTheFocusWhenItsWindowIsActivated) {
	ASSERT_TRUE(fPlugin->Init());
	MeterParts meter = FindMeter();
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	ASSERT_TRUE(meter.window->Lock());
	EXPECT_TRUE(meter.view->IsFocus());
	BView* intruder = new BView(BRect(0, 0, 5, 5), "intruder", B_FOLLOW_NONE, 0);
	meter.window->AddChild(intruder);
	intruder->MakeFocus(true);
	meter.window->Unlock();

	BWindow* other =
	    new BWindow(BRect(600, 100, 700, 200), "other", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	other->Show();
	ASSERT_TRUE(kit::WaitForIdle(meter.window));
	ASSERT_TRUE(kit::UserActivate(meter.window));

	ASSERT_TRUE(meter.window->Lock());
	EXPECT_TRUE(meter.view->IsFocus());
	meter.window->RemoveChild(intruder);
	delete intruder;
	meter.window->Unlock();
	ASSERT_TRUE(other->Lock());
	other->Quit();
	fPlugin->Cleanup();
}
