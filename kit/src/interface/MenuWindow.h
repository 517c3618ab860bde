// One level of an open popup menu: a borderless floating window with its own
// thread, showing a MenuView.
//
// The levels of one menu talk only by messages, never by locking each other:
// the top level takes the keys and hands them down to an open submenu that
// has the keyboard; a chosen item's message goes to its target's looper; a
// level that closes tells its submenu to close. The top level closes the
// whole menu on Escape, on a choice, on a mouse-down outside it and when it
// stops being the active window. Submenu levels avoid the focus, so that
// opening one does not take the activation from the top level.
//
// Every level floats above the other windows. The top level has the bordered
// look, which the on-screen display makes a borderless window that takes the
// keyboard focus: so the keys reach it, and a click elsewhere deactivates it.
// Submenu levels have no border look, which the display makes popup windows
// that never take the focus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <Messenger.h>
#include <Window.h>

#include "interface/MenuEntry.h"

class MenuLayout;
class MenuSession;
class MenuView;

class MenuWindow : public BWindow {
public:
	// Opens the top level of the session's menu with its left-top corner at
	// `where` (screen coordinates), moved inside the screen, and records it
	// in the session. [any thread]
	static MenuWindow* OpenTop(const std::shared_ptr<MenuSession>& session, BPoint where);
	~MenuWindow() override;

	// [locked]
	// The item's row in window coordinates; invalid for an index out of range.
	BRect ItemFrame(int32 index) const;
	int32 Highlighted() const;
	// The window of the open submenu, or null. Valid while that window lives.
	MenuWindow* SubmenuWindow() const;
	// The first item with that label that a click chooses (enabled, no
	// submenu), or -1.
	int32 IndexOf(const std::string& label) const;
	// Where the item's message goes.
	BMessenger TargetOf(int32 index) const;

	// Hooks [window thread, locked]
	void DispatchMessage(BMessage* message, BHandler* handler) override;
	void MessageReceived(BMessage* message) override;
	void WindowActivated(bool active) override;

private:
	// `entries` belong to the session; `path` leads from the top level to
	// this one (empty for the top).
	MenuWindow(std::shared_ptr<MenuSession> session, const std::vector<MenuEntry>& entries,
	           std::vector<int32> path, const MenuLayout& layout, BRect frame, BMessenger parent);

	bool IsTop() const { return fPath.empty(); }
	void Mouse(uint32 what, BPoint where);
	void Key(const std::string& bytes);
	void Hover(int32 index);
	void MoveHighlight(int32 direction);
	void Choose(int32 index);
	void OpenSubmenu(int32 index, bool withKeys);
	void CloseSubmenu();
	// Closes this level and tells the parent.
	void Back();
	void CloseMenu();

	std::shared_ptr<MenuSession> fSession;
	const std::vector<MenuEntry>& fEntries;
	const std::vector<int32> fPath;
	MenuView* fView; // owned by the window as its child
	BMessenger fParent;
	BMessenger fSubmenu;
	int32 fSubmenuIndex = -1;
	bool fSubmenuHasKeys = false;
	bool fPressed = false; // a mouse-down in this level awaits its mouse-up
};
