#include <AppDefs.h>
#include <Menu.h>
#include <MenuItem.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "interface/MenuWindow.h"
#include "kit/MessageRecorder.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;

namespace {

BMenuItem* Item(const char* label, uint32 what) { return new BMenuItem(label, new BMessage(what)); }

template <typename Condition> bool Eventually(Condition condition) {
	const auto deadline = std::chrono::steady_clock::now() + 5s;
	while (!condition()) {
		if (std::chrono::steady_clock::now() > deadline) return false;
		std::this_thread::sleep_for(2ms);
	}
	return true;
}

bool IsLive(BWindow* window) {
	const std::vector<BWindow*> windows = kit::Windows();
	return std::find(windows.begin(), windows.end(), window) != windows.end();
}

BPoint Center(BRect rect) { return BPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

// A window with one view that opens a popup from its MouseDown, as the meter
// view does, and records the messages the popup's items send it.
class PopupView : public BView {
public:
	PopupView(BRect frame) : BView(frame, "popup view", B_FOLLOW_ALL, B_WILL_DRAW) {
		popup.AddItem(Item("First", 21));
		popup.AddItem(Item("Second", 22));
	}
	void MouseDown(BPoint where) override {
		popup.SetTargetForItems(this);
		popup.Go(ConvertToScreen(where), true, false, true);
		opened++;
	}
	void MessageReceived(BMessage* message) override { received.push_back(message->what); }

	BPopUpMenu popup{"Main menu", false, false};
	int opened = 0;
	std::vector<uint32> received; // [window thread, locked]
};

class PopUpMenuTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { kit::UseHeadlessDisplay(1024, 768); }

	void SetUp() override {
		target = recorder->AddClient();
		recorder->Start();
	}
	void TearDown() override {
		delete popup;
		if (other && other->Lock()) other->Quit();
	}

	// "One", "Two", "Three", each sending its number.
	void MakePlainMenu() {
		popup = new BPopUpMenu("Main menu", false, false);
		popup->AddItem(Item("One", 1));
		popup->AddItem(Item("Two", 2));
		popup->AddItem(Item("Three", 3));
		popup->SetTargetForItems(target);
	}

	MenuWindow* Open(BPoint where = BPoint(300, 200)) {
		EXPECT_EQ(popup->Go(where, true, false, true), nullptr);
		auto* window = static_cast<MenuWindow*>(popup->MenuWindow());
		EXPECT_NE(window, nullptr);
		if (window) {
			EXPECT_TRUE(kit::WaitForIdle(window));
		}
		return window;
	}

	static BRect ItemFrame(MenuWindow* window, int32 index) {
		if (!window->Lock()) return BRect();
		const BRect frame = window->ItemFrame(index);
		window->Unlock();
		return frame;
	}

	static int32 Highlighted(MenuWindow* window) {
		if (!window->Lock()) return -2;
		const int32 index = window->Highlighted();
		window->Unlock();
		return index;
	}

	static MenuWindow* Submenu(MenuWindow* window) {
		if (!window->Lock()) return nullptr;
		MenuWindow* submenu = window->SubmenuWindow();
		window->Unlock();
		if (submenu) kit::WaitForIdle(submenu);
		return submenu;
	}

	bool ClosesWithoutMessage() {
		return Eventually([&] { return !popup->IsOpen(); }) && kit::WaitForIdle(recorder.get()) &&
		       recorder->Count() == 0;
	}

	std::optional<uint32> Delivered() {
		auto found = recorder->WaitFor([](const RecordedMessage&) { return true; }, 5000ms);
		if (!found) return std::nullopt;
		return found->message.what;
	}

	Watchdog watchdog;
	RecorderPointer recorder = MakeRecorder();
	BMessenger target;
	BPopUpMenu* popup = nullptr;
	BWindow* other = nullptr;
};

} // namespace

TEST_F(PopUpMenuTest, GoAsyncReturnsAtOnceWithTheMenuOpenAtThePoint) {
	MakePlainMenu();
	MenuWindow* window = Open(BPoint(300, 200));
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(300, 200));
	EXPECT_FALSE(window->IsHidden());
	// The rows go down in the order of the items, inside the window.
	BRect previous(0, -1, 0, -1);
	for (int32 i = 0; i < 3; i++) {
		const BRect row = window->ItemFrame(i);
		EXPECT_GT(row.top, previous.bottom);
		EXPECT_TRUE(window->Bounds().Contains(row.LeftTop()) && window->Bounds().Contains(row.RightBottom()));
		previous = row;
	}
	window->Unlock();
	std::this_thread::sleep_for(50ms);
	EXPECT_TRUE(popup->IsOpen());
	EXPECT_EQ(recorder->Count(), 0u);
}

TEST_F(PopUpMenuTest, MenuThatWouldLeaveTheScreenMovesInside) {
	MakePlainMenu();
	MenuWindow* window = Open(BPoint(1020, 760));
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(window->Lock());
	const BRect frame = window->Frame();
	window->Unlock();
	EXPECT_EQ(frame.right, 1023);
	EXPECT_EQ(frame.bottom, 767);
	EXPECT_GT(frame.Width(), 40);
	EXPECT_GT(frame.Height(), 40);
}

TEST_F(PopUpMenuTest, ClickOnAnItemDeliversItsMessageAndCloses) {
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	kit::Click(window, Center(ItemFrame(window, 1)), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(Delivered(), 2u);
	EXPECT_TRUE(Eventually([&] { return !popup->IsOpen() && !IsLive(window); }));
	ASSERT_TRUE(kit::WaitForIdle(recorder.get()));
	const std::vector<RecordedMessage> messages = recorder->WaitForCount(1, 0ms);
	ASSERT_EQ(messages.size(), 1u);
	EXPECT_EQ(messages[0].message.GetInt32("index", -1), 1);
	EXPECT_EQ(popup->MenuWindow(), nullptr);
}

TEST_F(PopUpMenuTest, HoverHighlightsTheItemUnderThePointer) {
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	const BRect second = ItemFrame(window, 1);
	ASSERT_TRUE(kit::MouseMove(window, Center(second)));
	EXPECT_EQ(Highlighted(window), 1);
	const rgb_color bar = kit::PixelAt(window, int32(second.left) + 2, int32(second.top) + 1);
	const BRect first = ItemFrame(window, 0);
	const rgb_color plain = kit::PixelAt(window, int32(first.left) + 2, int32(first.top) + 1);
	EXPECT_GT(bar.blue, bar.red + 60) << "the highlighted row is a blue bar";
	EXPECT_GT(plain.red, 200) << "other rows keep the light background";
	EXPECT_EQ(plain.red, plain.blue);

	ASSERT_TRUE(kit::MouseMove(window, Center(first)));
	EXPECT_EQ(Highlighted(window), 0);
	EXPECT_EQ(kit::PixelAt(window, int32(second.left) + 2, int32(second.top) + 1), plain);
	EXPECT_EQ(recorder->Count(), 0u);
}

TEST_F(PopUpMenuTest, ArrowKeysAndEnterChooseSkippingSeparatorsAndDisabledItems) {
	popup = new BPopUpMenu("Main menu", false, false);
	popup->AddItem(Item("One", 1));
	popup->AddSeparatorItem();
	BMenuItem* disabled = Item("Two", 2);
	disabled->SetEnabled(false);
	popup->AddItem(disabled);
	popup->AddItem(Item("Three", 3));
	popup->SetTargetForItems(target);

	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	const char down[] = {B_DOWN_ARROW, 0};
	const char up[] = {B_UP_ARROW, 0};
	const char enter[] = {B_ENTER, 0};
	ASSERT_TRUE(kit::TypeKey(window, down));
	EXPECT_EQ(Highlighted(window), 0);
	ASSERT_TRUE(kit::TypeKey(window, down));
	EXPECT_EQ(Highlighted(window), 3);
	ASSERT_TRUE(kit::TypeKey(window, down)); // around the end
	EXPECT_EQ(Highlighted(window), 0);
	ASSERT_TRUE(kit::TypeKey(window, up));
	EXPECT_EQ(Highlighted(window), 3);
	kit::TypeKey(window, enter);
	EXPECT_EQ(Delivered(), 3u);
	EXPECT_TRUE(Eventually([&] { return !popup->IsOpen(); }));
}

TEST_F(PopUpMenuTest, DisabledItemsAndSeparatorsCannotBeChosen) {
	popup = new BPopUpMenu("Main menu", false, false);
	BMenuItem* disabled = Item("Off", 1);
	disabled->SetEnabled(false);
	popup->AddItem(disabled);
	popup->AddSeparatorItem();
	popup->AddItem(Item("On", 2));
	popup->SetTargetForItems(target);

	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(kit::Click(window, Center(ItemFrame(window, 0)), B_PRIMARY_MOUSE_BUTTON));
	ASSERT_TRUE(kit::Click(window, Center(ItemFrame(window, 1)), B_PRIMARY_MOUSE_BUTTON));
	EXPECT_TRUE(popup->IsOpen());
	EXPECT_EQ(Highlighted(window), -1);
	ASSERT_TRUE(kit::WaitForIdle(recorder.get()));
	EXPECT_EQ(recorder->Count(), 0u);
}

TEST_F(PopUpMenuTest, EscapeClosesWithoutAMessage) {
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	const char down[] = {B_DOWN_ARROW, 0};
	const char escape[] = {B_ESCAPE, 0};
	ASSERT_TRUE(kit::TypeKey(window, down));
	kit::TypeKey(window, escape);
	EXPECT_TRUE(ClosesWithoutMessage());
}

TEST_F(PopUpMenuTest, MouseDownOutsideTheMenuClosesItWithoutAMessage) {
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(kit::MouseMove(window, Center(ItemFrame(window, 0))));
	kit::MouseDown(window, BPoint(-20, 5), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_TRUE(ClosesWithoutMessage());
}

TEST_F(PopUpMenuTest, ClickOnAnotherWindowClosesTheMenuWithoutAMessage) {
	other = new BWindow(BRect(600, 400, 799, 599), "other", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	other->Show();
	ASSERT_TRUE(kit::WaitForIdle(other));
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(window->Lock());
	EXPECT_TRUE(window->IsActive());
	window->Unlock();
	ASSERT_TRUE(kit::Click(other, BPoint(10, 10), B_PRIMARY_MOUSE_BUTTON));
	EXPECT_TRUE(ClosesWithoutMessage());
}

TEST_F(PopUpMenuTest, SubmenuOpensBesideItsItemAndItsItemDelivers) {
	popup = new BPopUpMenu("Main menu", false, false);
	popup->AddItem(Item("Plain", 1));
	BMenu* more = new BMenu("More");
	more->AddItem(Item("Deep A", 10));
	more->AddItem(Item("Deep B", 11));
	popup->AddItem(new BMenuItem(more));
	popup->SetTargetForItems(target);
	more->SetTargetForItems(target);

	MenuWindow* window = Open(BPoint(100, 120));
	ASSERT_NE(window, nullptr);
	const BRect moreRow = ItemFrame(window, 1);
	ASSERT_TRUE(kit::MouseMove(window, Center(moreRow)));
	MenuWindow* submenu = Submenu(window);
	ASSERT_NE(submenu, nullptr);
	ASSERT_TRUE(window->Lock());
	const BRect parentFrame = window->Frame();
	window->Unlock();
	ASSERT_TRUE(submenu->Lock());
	const BRect frame = submenu->Frame();
	const BRect firstRow = submenu->ItemFrame(0);
	EXPECT_FALSE(submenu->IsHidden());
	submenu->Unlock();
	EXPECT_EQ(frame.left, parentFrame.right + 1);
	EXPECT_EQ(frame.top + firstRow.top, parentFrame.top + moreRow.top);
	// Opening the submenu left the top level active, and so open.
	EXPECT_TRUE(popup->IsOpen());

	kit::Click(submenu, Center(firstRow.OffsetByCopy(0, firstRow.Height() + 1)), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(Delivered(), 11u);
	EXPECT_TRUE(Eventually([&] { return !popup->IsOpen() && !IsLive(window) && !IsLive(submenu); }));
	ASSERT_TRUE(kit::WaitForIdle(recorder.get()));
	EXPECT_EQ(recorder->Count(), 1u);
}

TEST_F(PopUpMenuTest, SubmenuFollowsTheArrowKeys) {
	popup = new BPopUpMenu("Main menu", false, false);
	BMenu* more = new BMenu("More");
	more->AddItem(Item("Deep A", 10));
	more->AddItem(Item("Deep B", 11));
	popup->AddItem(new BMenuItem(more));
	popup->AddItem(Item("Plain", 1));
	more->SetTargetForItems(target);

	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	const char down[] = {B_DOWN_ARROW, 0};
	const char right[] = {B_RIGHT_ARROW, 0};
	const char left[] = {B_LEFT_ARROW, 0};
	const char enter[] = {B_ENTER, 0};
	ASSERT_TRUE(kit::TypeKey(window, down));
	ASSERT_TRUE(kit::TypeKey(window, right));
	MenuWindow* submenu = Submenu(window);
	ASSERT_NE(submenu, nullptr);
	EXPECT_EQ(Highlighted(submenu), 0);
	// Keys typed into the top level now move in the submenu.
	ASSERT_TRUE(kit::TypeKey(window, down));
	ASSERT_TRUE(kit::WaitForIdle(submenu));
	EXPECT_EQ(Highlighted(submenu), 1);
	EXPECT_EQ(Highlighted(window), 0);

	ASSERT_TRUE(kit::TypeKey(window, left));
	EXPECT_TRUE(Eventually([&] { return !IsLive(submenu); }));
	ASSERT_TRUE(kit::WaitForIdle(window));
	EXPECT_EQ(Highlighted(window), 0);
	EXPECT_TRUE(popup->IsOpen());

	ASSERT_TRUE(kit::TypeKey(window, right));
	submenu = Submenu(window);
	ASSERT_NE(submenu, nullptr);
	kit::TypeKey(window, enter);
	EXPECT_EQ(Delivered(), 10u);
	EXPECT_TRUE(Eventually([&] { return !popup->IsOpen() && !IsLive(submenu); }));
}

TEST_F(PopUpMenuTest, GoFromAWindowsMouseDownReturnsAndTheViewGetsTheChoice) {
	other = new BWindow(BRect(200, 100, 399, 299), "meter", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	auto* view = new PopupView(other->Bounds());
	other->AddChild(view);
	other->Show();
	ASSERT_TRUE(kit::WaitForIdle(other));

	ASSERT_TRUE(kit::Click(other, BPoint(30, 40), B_SECONDARY_MOUSE_BUTTON));
	ASSERT_TRUE(other->Lock());
	EXPECT_EQ(view->opened, 1);
	auto* window = static_cast<MenuWindow*>(view->popup.MenuWindow());
	other->Unlock();
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(kit::WaitForIdle(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(230, 140));
	window->Unlock();

	kit::Click(window, Center(ItemFrame(window, 1)), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_TRUE(Eventually([&] {
		if (!other->Lock()) return false;
		const bool arrived = view->received == std::vector<uint32>{22};
		other->Unlock();
		return arrived;
	}));
	EXPECT_TRUE(Eventually([&] { return !IsLive(window); }));
}

TEST_F(PopUpMenuTest, DeletingThePopupClosesItsWindows) {
	popup = new BPopUpMenu("Main menu", false, false);
	BMenu* more = new BMenu("More");
	more->AddItem(Item("Deep", 10));
	popup->AddItem(new BMenuItem(more));
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	ASSERT_TRUE(kit::MouseMove(window, Center(ItemFrame(window, 0))));
	MenuWindow* submenu = Submenu(window);
	ASSERT_NE(submenu, nullptr);

	delete popup;
	popup = nullptr;
	EXPECT_FALSE(IsLive(window));
	EXPECT_TRUE(Eventually([&] { return !IsLive(submenu); }));
}

TEST_F(PopUpMenuTest, GoWithoutAsyncReturnsTheChosenItem) {
	MakePlainMenu();
	std::future<BMenuItem*> chosen =
	    std::async(std::launch::async, [this] { return popup->Go(BPoint(50, 50), false, false, false); });
	ASSERT_TRUE(Eventually([&] { return popup->MenuWindow() != nullptr; }));
	auto* window = static_cast<MenuWindow*>(popup->MenuWindow());
	ASSERT_TRUE(kit::WaitForIdle(window));
	EXPECT_EQ(chosen.wait_for(0ms), std::future_status::timeout);
	kit::Click(window, Center(ItemFrame(window, 2)), B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(chosen.get(), popup->ItemAt(2));
	// Without deliversMessage the item's message stays home.
	ASSERT_TRUE(kit::WaitForIdle(recorder.get()));
	EXPECT_EQ(recorder->Count(), 0u);

	chosen = std::async(std::launch::async, [this] { return popup->Go(BPoint(50, 50), true, false, false); });
	ASSERT_TRUE(Eventually([&] { return popup->MenuWindow() != nullptr; }));
	window = static_cast<MenuWindow*>(popup->MenuWindow());
	ASSERT_TRUE(kit::WaitForIdle(window));
	const char escape[] = {B_ESCAPE, 0};
	kit::TypeKey(window, escape);
	EXPECT_EQ(chosen.get(), nullptr);
}

TEST_F(PopUpMenuTest, ChooseMenuItemReturnsOnceTheTargetHasTheItemsMessage) {
	EXPECT_FALSE(kit::ChooseMenuItem("Two"));
	MakePlainMenu();
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);
	EXPECT_TRUE(kit::ChooseMenuItem("Two"));
	ASSERT_EQ(recorder->Count(), 1u);
	EXPECT_EQ(Delivered(), 2u);
	EXPECT_TRUE(Eventually([&] { return !popup->IsOpen(); }));
}

TEST_F(PopUpMenuTest, ChooseMenuItemFindsOnlyItemsAClickChoosesInTheOpenLevels) {
	popup = new BPopUpMenu("Main menu", false, false);
	BMenuItem* disabled = Item("Off", 4);
	disabled->SetEnabled(false);
	popup->AddItem(disabled);
	BMenu* more = new BMenu("More");
	more->AddItem(Item("Deep", 10));
	popup->AddItem(new BMenuItem(more));
	popup->SetTargetForItems(target);
	more->SetTargetForItems(target);
	MenuWindow* window = Open();
	ASSERT_NE(window, nullptr);

	EXPECT_FALSE(kit::ChooseMenuItem("Off"));
	EXPECT_FALSE(kit::ChooseMenuItem("More"));
	EXPECT_FALSE(kit::ChooseMenuItem("Deep"));
	EXPECT_TRUE(popup->IsOpen());
	ASSERT_TRUE(kit::MouseMove(window, Center(ItemFrame(window, 1))));
	ASSERT_NE(Submenu(window), nullptr);
	EXPECT_TRUE(kit::ChooseMenuItem("Deep"));
	ASSERT_EQ(recorder->Count(), 1u);
	EXPECT_EQ(Delivered(), 10u);
}
