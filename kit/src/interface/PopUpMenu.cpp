#include <MenuItem.h>
#include <PopUpMenu.h>
#include <Window.h>

#include <mutex>

#include "interface/MenuSession.h"
#include "interface/MenuWindow.h"

struct BE_HIDDEN BPopUpMenu::Data {
	// Guards `session`, which IsOpen() and MenuWindow() read from any thread.
	mutable std::mutex lock;
	// The latest opening; the menu's windows hold it too.
	std::shared_ptr<MenuSession> session;

	std::shared_ptr<MenuSession> Session() const {
		std::lock_guard guard(lock);
		return session;
	}

	// Closes the open menu, if any, and waits until its top window is gone.
	void Close() {
		std::shared_ptr<MenuSession> open = Session();
		if (!open) return;
		BMessenger top = open->Messenger();
		BLooper* looper = nullptr;
		if (top.LockTarget() && top.Target(&looper)) looper->Quit();
		open->WaitUntilClosed();
	}
};

BPopUpMenu::BPopUpMenu(const char* title, bool radioMode, bool labelFromMarked, menu_layout layout)
    : BMenu(title, layout), fData(std::make_unique<Data>()) {
	SetRadioMode(radioMode);
	SetLabelFromMarked(labelFromMarked);
}

BPopUpMenu::~BPopUpMenu() { fData->Close(); }

BMenuItem* BPopUpMenu::Go(BPoint screenPoint, bool deliversMessage, bool, bool async) {
	fData->Close();
	if (CountItems() == 0) return nullptr;
	auto session = std::make_shared<MenuSession>(CopyEntries(*this), deliversMessage);
	{
		std::lock_guard guard(fData->lock);
		fData->session = session;
	}
	::MenuWindow::OpenTop(session, screenPoint);
	if (async) return nullptr;
	const std::optional<std::vector<int32>> chosen = session->WaitUntilClosed();
	if (!chosen) return nullptr;
	// Follows the path through the menus as they are now.
	const BMenu* menu = this;
	BMenuItem* item = nullptr;
	for (int32 index : *chosen) {
		item = menu ? menu->ItemAt(index) : nullptr;
		menu = item ? item->Submenu() : nullptr;
	}
	return item;
}

bool BPopUpMenu::IsOpen() const {
	std::shared_ptr<MenuSession> session = fData->Session();
	return session && session->IsOpen();
}

BWindow* BPopUpMenu::MenuWindow() const {
	std::shared_ptr<MenuSession> session = fData->Session();
	return session ? session->Window() : nullptr;
}
