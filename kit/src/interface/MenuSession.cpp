#include "interface/MenuSession.h"

#include <Window.h>

MenuSession::MenuSession(std::vector<MenuEntry> entries, bool deliversMessage)
    : fEntries(std::move(entries)), fDeliversMessage(deliversMessage) {}

void MenuSession::Opened(BWindow* top) {
	std::lock_guard guard(fLock);
	fWindow = top;
	fMessenger = BMessenger(top);
	fOpen = true;
}

void MenuSession::Closed() {
	{
		std::lock_guard guard(fLock);
		fWindow = nullptr;
		fMessenger = BMessenger();
		fOpen = false;
	}
	fClosedCondition.notify_all();
}

void MenuSession::Chose(std::vector<int32> path) {
	std::lock_guard guard(fLock);
	if (!fChosen) fChosen = std::move(path);
}

bool MenuSession::IsOpen() const {
	std::lock_guard guard(fLock);
	return fOpen;
}

BWindow* MenuSession::Window() const {
	std::lock_guard guard(fLock);
	return fWindow;
}

BMessenger MenuSession::Messenger() const {
	std::lock_guard guard(fLock);
	return fMessenger;
}

std::optional<std::vector<int32>> MenuSession::WaitUntilClosed() {
	std::unique_lock guard(fLock);
	fClosedCondition.wait(guard, [this] { return !fOpen; });
	return fChosen;
}
