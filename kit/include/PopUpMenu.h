// A menu that pops up at a point of the screen.
//
// Go() with async true opens the menu in its own borderless window at the
// point and returns at once; the menu then runs on its own thread. Choosing
// an item (a click, or the arrow keys and Enter) posts a copy of its message
// to the item's target through the target's looper; Escape, or a click
// outside the menu, closes it without a message. A submenu item opens its
// submenu beside it.
//
// Building the menu follows Menu.h: one thread at a time.
#pragma once

#include "Menu.h"

class BE_EXPORT BPopUpMenu : public BMenu {
public:
	BPopUpMenu(const char* title, bool radioMode = true, bool labelFromMarked = true,
	           menu_layout layout = B_ITEMS_IN_COLUMN);
	~BPopUpMenu() override; // closes the menu if it is open

	// [any thread but the menu window's; blocks unless async] Synchronous
	// (async false): blocks until the menu closes and returns the chosen
	// item, or null; with deliversMessage the item's message is also sent. A
	// window thread that calls it handles no messages of its own meanwhile.
	// Asynchronous: returns null at once. openAnyway is accepted for
	// compatibility; the menu stays open until the user chooses or dismisses.
	BMenuItem* Go(BPoint screenPoint, bool deliversMessage = false, bool openAnyway = false,
	              bool async = false);
	// True while the menu is open. [any thread]
	bool IsOpen() const;
	// The window the open menu shows in, or null. [any thread]
	BWindow* MenuWindow() const;

private:
	struct Data;
	std::unique_ptr<Data> fData;
};
