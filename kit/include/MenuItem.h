// Menu items: a label with a message and an optional shortcut, an item that
// opens a submenu, or a separator line.
//
// Items are used as their menu is (Menu.h): by one thread at a time.
#pragma once

#include <string>

#include "Invoker.h"

class BMenu;

class BE_EXPORT BMenuItem : public BInvoker {
public:
	// Label form. Takes ownership of the message; the label is copied. The
	// item shows its shortcut (with B_COMMAND_KEY and `modifiers`) beside
	// the label; a shortcut of 0 shows none.
	BMenuItem(const char* label, BMessage* message, char shortcut = 0, uint32 modifiers = 0);
	// Submenu form: the item opens `menu`, which it owns, and has no message.
	explicit BMenuItem(BMenu* menu, BMessage* message = nullptr);
	~BMenuItem() override;

	const char* Label() const;
	virtual void SetLabel(const char* label);
	// The submenu, or null. Owned by the item.
	BMenu* Submenu() const;
	// The menu holding this item, or null. Not owned.
	BMenu* Menu() const;
	char Shortcut(uint32* modifiers = nullptr) const;
	void SetShortcut(char shortcut, uint32 modifiers);
	virtual void SetEnabled(bool enabled);
	bool IsEnabled() const;
	virtual void SetMarked(bool marked);
	bool IsMarked() const;
	virtual bool IsSeparator() const { return false; }

private:
	friend class BMenu;

	std::string fLabel;
	BMenu* fSubmenu = nullptr;
	BMenu* fMenu = nullptr;
	char fShortcut = 0;
	uint32 fModifiers = 0;
	bool fEnabled = true;
	bool fMarked = false;
};

class BE_EXPORT BSeparatorItem : public BMenuItem {
public:
	BSeparatorItem();
	bool IsSeparator() const override { return true; }
};
