// One opening of a popup menu: the copied items, shared by the windows of all
// its levels, and what the BPopUpMenu needs to know of it. Kept alive by the
// popup and by every level's window, so that either may go first.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include <Messenger.h>

#include "interface/MenuEntry.h"

class BWindow;

class MenuSession {
public:
	MenuSession(std::vector<MenuEntry> entries, bool deliversMessage);

	// Never changed after construction, so read without the lock. [any thread]
	const std::vector<MenuEntry>& Entries() const { return fEntries; }
	bool DeliversMessage() const { return fDeliversMessage; }

	// Before the top level's window shows. [the opening thread]
	void Opened(BWindow* top);
	// From the top level's window as it goes. [its thread]
	void Closed();
	// From the level where an item was chosen. [its thread]
	// `path` holds the item's index in each level, from the top.
	void Chose(std::vector<int32> path);

	// [any thread]
	bool IsOpen() const;
	// The top level's window while open, else null. Not owned.
	BWindow* Window() const;
	BMessenger Messenger() const;
	// Blocks until the top level's window is gone; the chosen path, if any.
	std::optional<std::vector<int32>> WaitUntilClosed();

private:
	const std::vector<MenuEntry> fEntries;
	const bool fDeliversMessage;

	// Guards everything below.
	mutable std::mutex fLock;
	std::condition_variable fClosedCondition;
	BWindow* fWindow = nullptr;
	BMessenger fMessenger;
	bool fOpen = false;
	std::optional<std::vector<int32>> fChosen;
};
