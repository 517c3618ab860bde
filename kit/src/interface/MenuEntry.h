// What an open menu shows of one item: a copy taken when the menu opens, so
// that the menu's windows never reach back into the BMenu, which its owner
// may change or delete while the menu is open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <Message.h>
#include <Messenger.h>

class BMenu;

struct MenuEntry {
	std::string label;
	std::string shortcut; // as shown, "Ctrl+P"; empty for none
	bool separator = false;
	bool enabled = true;
	bool marked = false;
	bool hasSubmenu = false;
	std::vector<MenuEntry> submenu;
	std::unique_ptr<BMessage> message; // null when the item has none
	BMessenger target;

	// An item that the user can choose or open: no separator, enabled.
	bool IsSelectable() const { return !separator && enabled; }
	bool OpensSubmenu() const { return hasSubmenu && !submenu.empty(); }
};

// Copies the menu's items and, recursively, its submenus. [the thread that
// owns the menu]
std::vector<MenuEntry> CopyEntries(const BMenu& menu);

// The text shown for a shortcut: the key with B_COMMAND_KEY and `modifiers`,
// "Ctrl+Shift+P"; empty for the key 0.
std::string ShortcutLabel(char key, uint32 modifiers);
