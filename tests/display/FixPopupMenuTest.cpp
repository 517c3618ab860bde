// The meter view linked straight into the test, to build popups from tables
// other than the shipped one.
#include <InterfaceDefs.h>
#include <MenuItem.h>
#include <PopUpMenu.h>

#include "core/MyPlugin.h"
#include "display/PluginView.h"
#include "display/PluginWindow.h"
#include "support/AddonTest.h"

namespace {

class FixPopupMenuTest : public AddonTest {
protected:
	void SetUp() override {
		AddonTest::SetUp();
		// Created locked and hidden; the view is attached at once.
		fWindow = new PluginWindow(BRect(50, 50, 150, 250), "menu test", &fOwner, B_TITLED_WINDOW_LOOK,
		                           B_NORMAL_WINDOW_FEEL, B_WILL_ACCEPT_FIRST_CLICK, B_CURRENT_WORKSPACE);
	}

	void TearDown() override {
		fWindow->Quit();
		AddonTest::TearDown();
	}

	MyPlugin fOwner;
	PluginWindow* fWindow = nullptr;
};

} // namespace

TEST_F(FixPopupMenuTest, ViewIsTheFocusAndHasItsShortcutRightAfterAttach) {
	EXPECT_TRUE(fWindow->view->IsFocus());
	EXPECT_TRUE(fWindow->HasShortcut('p', B_COMMAND_KEY));
	ASSERT_NE(fWindow->view->popup, nullptr);
	EXPECT_EQ(fWindow->view->popup->CountItems(), 1);
}

TEST_F(FixPopupMenuTest, SubmenuRowsYieldOneItemOpeningTheirItems) {
	const MenuRow table[] = {
	    {"Meters", MENU_BEGIN_SUBMENU, 0, 0},
	    {"Bars", 'bars', 0, 0},
	    {"Needles", 'need', B_SHIFT_KEY, 'n'},
	    {nullptr, MENU_END_SUBMENU, 0, 0},
	};
	PluginView* view = fWindow->view;
	view->FixPopupMenu(table, 4);

	BPopUpMenu* popup = view->popup;
	ASSERT_EQ(popup->CountItems(), 1);
	BMenu* submenu = popup->ItemAt(0)->Submenu();
	ASSERT_NE(submenu, nullptr);
	EXPECT_STREQ(popup->ItemAt(0)->Label(), "Meters");
	EXPECT_EQ(popup->ItemAt(0)->Message(), nullptr);
	ASSERT_EQ(submenu->CountItems(), 2);
	EXPECT_STREQ(submenu->ItemAt(0)->Label(), "Bars");
	EXPECT_EQ(submenu->ItemAt(0)->Command(), uint32('bars'));
	EXPECT_STREQ(submenu->ItemAt(1)->Label(), "Needles");
	EXPECT_EQ(submenu->ItemAt(1)->Command(), uint32('need'));
	EXPECT_EQ(submenu->ItemAt(0)->Target(), view);
	EXPECT_EQ(submenu->ItemAt(1)->Target(), view);
	EXPECT_TRUE(fWindow->HasShortcut('n', B_SHIFT_KEY));
}

TEST_F(FixPopupMenuTest, SeparatorsAndFourNestedSubmenusFitTheMenuStack) {
	const MenuRow table[] = {
	    {"One", MENU_BEGIN_SUBMENU, 0, 0},
	    {"Two", MENU_BEGIN_SUBMENU, 0, 0},
	    {"Three", MENU_BEGIN_SUBMENU, 0, 0},
	    {"Four", MENU_BEGIN_SUBMENU, 0, 0},
	    {"Deep", 'deep', 0, 0},
	    {nullptr, MENU_END_SUBMENU, 0, 0},
	    {nullptr, MENU_END_SUBMENU, 0, 0},
	    {nullptr, MENU_END_SUBMENU, 0, 0},
	    {nullptr, MENU_END_SUBMENU, 0, 0},
	    {nullptr, MENU_SEPARATOR, 0, 0},
	    {"Top", 'top ', 0, 0},
	};
	PluginView* view = fWindow->view;
	view->FixPopupMenu(table, 11);

	BPopUpMenu* popup = view->popup;
	ASSERT_EQ(popup->CountItems(), 3);
	EXPECT_TRUE(popup->ItemAt(1)->IsSeparator());
	EXPECT_STREQ(popup->ItemAt(2)->Label(), "Top");
	EXPECT_EQ(popup->ItemAt(2)->Target(), view);
	BMenu* menu = popup;
	for (const char* title : {"One", "Two", "Three", "Four"}) {
		ASSERT_GE(menu->CountItems(), 1);
		EXPECT_STREQ(menu->ItemAt(0)->Label(), title);
		menu = menu->ItemAt(0)->Submenu();
		ASSERT_NE(menu, nullptr) << title;
	}
	ASSERT_EQ(menu->CountItems(), 1);
	EXPECT_STREQ(menu->ItemAt(0)->Label(), "Deep");
	EXPECT_EQ(menu->ItemAt(0)->Target(), view);
}
