// The popup menu on a real X display with a window manager: run through
// run-under-xvfb.sh. xdotool plays the user; ImageMagick's import the eye.
#include <AppDefs.h>
#include <Menu.h>
#include <MenuItem.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "interface/MenuWindow.h"
#include "support/OnScreen.h"
#include "support/Watchdog.h"
#include "support/WindowPlacement.h"

using namespace std::chrono_literals;

namespace {

std::string At(BPoint point) { return std::to_string(int(point.x)) + " " + std::to_string(int(point.y)); }

BPoint Center(BRect rect) { return BPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

class HostView : public BView {
public:
	explicit HostView(BRect frame) : BView(frame, "host", B_FOLLOW_ALL, B_WILL_DRAW) {
		SetViewColor(40, 40, 40);
		popup.AddItem(new BMenuItem("Preferences", new BMessage(100), 'p', B_COMMAND_KEY));
		popup.AddSeparatorItem();
		BMenu* more = new BMenu("More");
		more->AddItem(new BMenuItem("Deep A", new BMessage(10)));
		more->AddItem(new BMenuItem("Deep B", new BMessage(11), 'b', B_COMMAND_KEY | B_SHIFT_KEY));
		popup.AddItem(new BMenuItem(more));
		BMenuItem* disabled = new BMenuItem("Disabled", new BMessage(12));
		disabled->SetEnabled(false);
		popup.AddItem(disabled);
		popup.AddItem(new BMenuItem("About", new BMessage(13)));
	}
	void AttachedToWindow() override {
		popup.SetTargetForItems(this);
		popup.SubmenuAt(2)->SetTargetForItems(this);
	}
	void MouseDown(BPoint where) override {
		uint32 buttons = 0;
		GetMouse(&where, &buttons);
		if (buttons == B_SECONDARY_MOUSE_BUTTON) popup.Go(ConvertToScreen(where), true, false, true);
	}
	void KeyDown(const char* bytes, int32) override { keys.push_back(bytes); }
	void MessageReceived(BMessage* message) override { received.push_back(message->what); }

	BPopUpMenu popup{"Main menu", false, false};
	std::vector<uint32> received; // [window thread, locked]
	std::vector<std::string> keys;
};

class PopUpMenuOnScreenTest : public ::testing::Test {
protected:
	template <typename Function> auto Locked(Function function) {
		host->Lock();
		auto result = function();
		host->Unlock();
		return result;
	}

	void SetUp() override {
		ASSERT_FALSE(kit::IsHeadlessDisplay()) << "no display: run under run-under-xvfb.sh";
		// A title of its own per test: the previous test's window may still be
		// known to the X server while it goes away.
		static int hosts = 0;
		title = "vu-menu-host-" + std::to_string(++hosts);
		host = new BWindow(BRect(100, 100, 499, 349), title.c_str(), B_TITLED_WINDOW_LOOK,
		                   B_NORMAL_WINDOW_FEEL, B_NOT_RESIZABLE);
		view = new HostView(host->Bounds());
		host->AddChild(view);
		host->Show();
		ASSERT_TRUE(WaitUntilPlaced(host, title.c_str()));
	}
	void TearDown() override {
		if (host->Lock()) host->Quit();
		// The X windows of the host and of a closed menu can linger for a
		// moment; the next test's click must not land on them.
		EXPECT_TRUE(Eventually([&] {
			return Shell("xdotool search --onlyvisible --name '^(menu|" + title + ")$' 2>/dev/null").empty();
		}));
	}

	// Right-clicks the host at a point of its content; the menu window.
	MenuWindow* OpenAt(BPoint local) {
		const BPoint screen = Locked([&] { return host->ConvertToScreen(local); });
		// A loaded Xvfb now and then loses a synthetic click that lands right
		// after a window was mapped; a person would click again, and so do we.
		bool opened = false;
		for (int attempt = 0; attempt < 3 && !opened; attempt++) {
			Shell("xdotool mousemove " + At(screen) + " click 3");
			opened = Eventually([&] { return view->popup.MenuWindow() != nullptr; }, std::chrono::seconds(5));
		}
		if (!opened) {
			ADD_FAILURE() << "the menu did not open";
			return nullptr;
		}
		auto* menu = static_cast<MenuWindow*>(view->popup.MenuWindow());
		// Shown and focused: until then the X server has no window to take
		// the pointer and the keys.
		const bool active = Eventually([&] {
			if (!menu->Lock()) return false;
			const bool isActive = menu->IsActive();
			menu->Unlock();
			return isActive;
		});
		if (!active) ADD_FAILURE() << "the menu opened but did not become active";
		return active ? menu : nullptr;
	}

	BRect ScreenRow(MenuWindow* menu, int32 index) {
		menu->Lock();
		BRect row = menu->ItemFrame(index);
		row.OffsetBy(menu->Frame().LeftTop());
		menu->Unlock();
		return row;
	}

	std::vector<uint32> Received() {
		return Locked([&] { return view->received; });
	}

	Watchdog watchdog{std::chrono::seconds(180)};
	std::string title;
	BWindow* host = nullptr;
	HostView* view = nullptr;
};

} // namespace

TEST_F(PopUpMenuOnScreenTest, OpensAtThePointerAndAClickChoosesAnItemOfTheSubmenu) {
	MenuWindow* menu = OpenAt(BPoint(60, 40));
	ASSERT_NE(menu, nullptr);
	const BPoint expected = Locked([&] { return host->ConvertToScreen(BPoint(60, 40)); });
	EXPECT_TRUE(Eventually([&] {
		menu->Lock();
		const BPoint where = menu->Frame().LeftTop();
		menu->Unlock();
		return where == expected;
	}));

	Shell("xdotool mousemove " + At(Center(ScreenRow(menu, 2))));
	MenuWindow* submenu = nullptr;
	ASSERT_TRUE(Eventually([&] {
		menu->Lock();
		submenu = menu->SubmenuWindow();
		menu->Unlock();
		return submenu != nullptr;
	}));
	kit::WaitForIdle(submenu);
	Shell("xdotool mousemove " + At(Center(ScreenRow(submenu, 1))));
	ASSERT_TRUE(Eventually([&] {
		submenu->Lock();
		const bool highlighted = submenu->Highlighted() == 1;
		submenu->Unlock();
		return highlighted;
	}));
	std::this_thread::sleep_for(300ms);
	if (const char* shot = std::getenv("POPUP_SCREENSHOT")) {
		const BPoint corner = expected - BPoint(70, 72);
		Shell("import -window root -crop 420x220+" + std::to_string(int(corner.x)) + "+" +
		      std::to_string(int(corner.y)) + " +repage " + shot);
	}

	Shell("xdotool click 1");
	EXPECT_TRUE(Eventually([&] { return Received() == std::vector<uint32>{11}; }));
	EXPECT_TRUE(Eventually([&] { return !view->popup.IsOpen(); }));
}

TEST_F(PopUpMenuOnScreenTest, ClickOutsideClosesTheMenuWithoutAMessage) {
	ASSERT_NE(OpenAt(BPoint(30, 30)), nullptr);
	Shell("xdotool mousemove " + At(Locked([&] { return host->ConvertToScreen(BPoint(350, 200)); })) +
	      " click 1");
	EXPECT_TRUE(Eventually([&] { return !view->popup.IsOpen(); }));
	EXPECT_TRUE(Received().empty());
}

TEST_F(PopUpMenuOnScreenTest, ArrowKeysAndEnterChooseAnItem) {
	MenuWindow* menu = OpenAt(BPoint(30, 30));
	ASSERT_NE(menu, nullptr);
	Shell("xdotool key Down key Return");
	EXPECT_TRUE(Eventually([&] { return Received() == std::vector<uint32>{100}; }));
	EXPECT_TRUE(Eventually([&] { return !view->popup.IsOpen(); }));
	EXPECT_TRUE(Locked([&] { return view->keys.empty(); }));
}
