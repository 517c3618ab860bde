// A menu: a list of items, shown in its own window when it opens.
//
// A menu and its items are not locked: one thread at a time builds and
// changes them, the one holding the window's lock when the menu is attached
// to a window. An open menu shows a copy of the items taken when it opened,
// on the menu window's own thread, so a change shows the next time it opens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "InterfaceDefs.h"
#include "Messenger.h"
#include "View.h"

class BMenuItem;

class BE_EXPORT BMenu : public BView {
public:
	explicit BMenu(const char* title, menu_layout layout = B_ITEMS_IN_COLUMN);
	~BMenu() override; // deletes its items

	// Items. The menu takes ownership of an added item.
	bool AddItem(BMenuItem* item);
	bool AddItem(BMenuItem* item, int32 index);
	bool AddItem(BMenu* submenu);
	bool AddSeparatorItem();
	// Gives ownership back to the caller.
	BMenuItem* RemoveItem(int32 index);
	bool RemoveItem(BMenuItem* item);
	int32 CountItems() const;
	BMenuItem* ItemAt(int32 index) const;
	BMenu* SubmenuAt(int32 index) const;
	BMenuItem* FindItem(const char* label) const;
	int32 IndexOf(BMenuItem* item) const;
	// The item that opens this menu, if it is a submenu. Not owned.
	BMenuItem* Superitem() const;
	BMenu* Supermenu() const;
	menu_layout Layout() const;

	// Sets the target of every item of this menu (not of its submenus).
	virtual status_t SetTargetForItems(BHandler* target);
	virtual status_t SetTargetForItems(BMessenger messenger);

	void SetRadioMode(bool on);
	bool IsRadioMode() const;
	void SetLabelFromMarked(bool on);
	bool IsLabelFromMarked() const;

private:
	friend class BMenuItem;

	std::vector<BMenuItem*> fItems;
	BMenuItem* fSuperitem = nullptr;
	menu_layout fLayout;
	bool fRadioMode = false;
	bool fLabelFromMarked = false;
};
