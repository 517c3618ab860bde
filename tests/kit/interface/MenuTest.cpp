#include <Handler.h>
#include <Looper.h>
#include <Menu.h>
#include <MenuItem.h>
#include <PopUpMenu.h>

#include <gtest/gtest.h>

#include "interface/MenuEntry.h"

namespace {

BMenuItem* Item(const char* label, uint32 what) { return new BMenuItem(label, new BMessage(what)); }

// A popup "Open", separator, "More" (submenu "Deep A", "Deep B"), "Quit".
struct Tree {
	BPopUpMenu popup{"Main menu", false, false};
	BMenu* more = new BMenu("More");
	Tree() {
		popup.AddItem(Item("Open", 1));
		popup.AddSeparatorItem();
		more->AddItem(Item("Deep A", 10));
		more->AddItem(Item("Deep B", 11));
		popup.AddItem(new BMenuItem(more));
		popup.AddItem(Item("Quit", 2));
	}
};

// A looper, not running, with one handler to aim items at.
struct Target {
	BLooper* looper = new BLooper("target");
	BHandler handler{"handler"};
	Target() { looper->AddHandler(&handler); }
	~Target() {
		looper->RemoveHandler(&handler);
		looper->Quit();
	}
};

} // namespace

TEST(MenuTest, ItemsKeepTheirOrderAndSubmenusLinkBothWays) {
	Tree tree;
	BPopUpMenu& popup = tree.popup;
	ASSERT_EQ(popup.CountItems(), 4);
	EXPECT_STREQ(popup.ItemAt(0)->Label(), "Open");
	EXPECT_TRUE(popup.ItemAt(1)->IsSeparator());
	EXPECT_STREQ(popup.ItemAt(2)->Label(), "More");
	EXPECT_STREQ(popup.ItemAt(3)->Label(), "Quit");
	EXPECT_EQ(popup.ItemAt(4), nullptr);
	EXPECT_EQ(popup.ItemAt(-1), nullptr);

	BMenuItem* moreItem = popup.ItemAt(2);
	EXPECT_EQ(moreItem->Submenu(), tree.more);
	EXPECT_EQ(popup.SubmenuAt(2), tree.more);
	EXPECT_EQ(popup.SubmenuAt(0), nullptr);
	EXPECT_EQ(moreItem->Message(), nullptr);
	EXPECT_EQ(tree.more->Superitem(), moreItem);
	EXPECT_EQ(tree.more->Supermenu(), &popup);
	EXPECT_EQ(popup.Superitem(), nullptr);
	EXPECT_EQ(moreItem->Menu(), &popup);
	EXPECT_EQ(tree.more->ItemAt(1)->Menu(), tree.more);
	EXPECT_STREQ(tree.more->ItemAt(1)->Label(), "Deep B");
	EXPECT_EQ(tree.more->ItemAt(1)->Command(), 11u);

	EXPECT_EQ(popup.FindItem("Deep B"), tree.more->ItemAt(1));
	EXPECT_EQ(popup.FindItem("Nothing"), nullptr);
	EXPECT_EQ(popup.IndexOf(moreItem), 2);
	EXPECT_EQ(popup.IndexOf(tree.more->ItemAt(0)), -1);
	EXPECT_EQ(popup.Layout(), B_ITEMS_IN_COLUMN);
	EXPECT_FALSE(popup.IsRadioMode());
}

TEST(MenuTest, AddingAtAnIndexRemovingAndDeletingKeepTheListConsistent) {
	BMenu menu("menu");
	EXPECT_FALSE(menu.AddItem(static_cast<BMenuItem*>(nullptr)));
	BMenuItem* a = Item("A", 1);
	BMenuItem* c = Item("C", 3);
	ASSERT_TRUE(menu.AddItem(a));
	ASSERT_TRUE(menu.AddItem(c));
	BMenuItem* b = Item("B", 2);
	EXPECT_FALSE(menu.AddItem(b, 3));
	EXPECT_FALSE(menu.AddItem(b, -1));
	ASSERT_TRUE(menu.AddItem(b, 1));
	EXPECT_FALSE(menu.AddItem(b)); // already in a menu
	EXPECT_EQ(menu.IndexOf(b), 1);
	EXPECT_EQ(menu.IndexOf(c), 2);

	BMenuItem* removed = menu.RemoveItem(int32(0));
	EXPECT_EQ(removed, a);
	EXPECT_EQ(a->Menu(), nullptr);
	EXPECT_EQ(menu.CountItems(), 2);
	delete a;
	EXPECT_TRUE(menu.RemoveItem(c));
	EXPECT_FALSE(menu.RemoveItem(c));
	EXPECT_EQ(menu.RemoveItem(int32(5)), nullptr);
	delete c;
	// An item deleted while in a menu leaves it.
	delete b;
	EXPECT_EQ(menu.CountItems(), 0);
}

TEST(MenuTest, SetTargetForItemsAimsOnlyThatMenusItems) {
	Tree tree;
	Target target;
	EXPECT_EQ(tree.popup.SetTargetForItems(&target.handler), B_OK);
	EXPECT_EQ(tree.popup.ItemAt(0)->Target(), &target.handler);
	EXPECT_EQ(tree.popup.ItemAt(3)->Target(), &target.handler);
	EXPECT_EQ(tree.more->ItemAt(0)->Target(), nullptr);
	EXPECT_EQ(tree.more->ItemAt(1)->Target(), nullptr);

	EXPECT_EQ(tree.more->SetTargetForItems(BMessenger(&target.handler)), B_OK);
	EXPECT_EQ(tree.more->ItemAt(1)->Target(), &target.handler);

	BHandler loose("loose");
	EXPECT_NE(tree.more->SetTargetForItems(&loose), B_OK);
}

TEST(MenuTest, ItemsShowTheirShortcutWithCtrlAndTheModifiers) {
	BMenuItem item("Preferences", new BMessage(100), 'p', B_COMMAND_KEY);
	uint32 modifiers = 0;
	EXPECT_EQ(item.Shortcut(&modifiers), 'p');
	EXPECT_EQ(modifiers, uint32(B_COMMAND_KEY));
	EXPECT_EQ(ShortcutLabel('p', B_COMMAND_KEY), "Ctrl+P");
	EXPECT_EQ(ShortcutLabel('p', 0), "Ctrl+P");
	EXPECT_EQ(ShortcutLabel('s', B_SHIFT_KEY | B_OPTION_KEY), "Ctrl+Alt+Shift+S");
	EXPECT_EQ(ShortcutLabel(0, B_COMMAND_KEY), "");

	BPopUpMenu popup("menu");
	popup.AddItem(new BMenuItem("Preferences", new BMessage(100), 'p', B_COMMAND_KEY));
	popup.AddItem(Item("Plain", 1));
	const std::vector<MenuEntry> entries = CopyEntries(popup);
	ASSERT_EQ(entries.size(), 2u);
	EXPECT_EQ(entries[0].shortcut, "Ctrl+P");
	EXPECT_EQ(entries[1].shortcut, "");
	ASSERT_NE(entries[0].message, nullptr);
	EXPECT_EQ(entries[0].message->what, 100u);
}

TEST(MenuTest, RadioModeKeepsOneItemMarked) {
	BPopUpMenu popup("menu"); // radio mode by default
	BMenuItem* a = Item("A", 1);
	BMenuItem* b = Item("B", 2);
	popup.AddItem(a);
	popup.AddItem(b);
	a->SetMarked(true);
	b->SetMarked(true);
	EXPECT_FALSE(a->IsMarked());
	EXPECT_TRUE(b->IsMarked());

	popup.SetRadioMode(false);
	a->SetMarked(true);
	EXPECT_TRUE(a->IsMarked());
	EXPECT_TRUE(b->IsMarked());
}
