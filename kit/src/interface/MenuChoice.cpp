// kit::ChooseMenuItem: a user's click on an item of the open popup menu.
#include <InterfaceDefs.h>
#include <Messenger.h>
#include <kit/Display.h>

#include "interface/MenuWindow.h"

bool kit::ChooseMenuItem(const char* label) {
	if (!label) return false;
	for (BWindow* window : Windows()) {
		// Through a messenger: the window may have gone since the list was taken.
		BMessenger messenger(window);
		if (!messenger.LockTarget()) continue;
		auto* menu = dynamic_cast<MenuWindow*>(window);
		const int32 index = menu ? menu->IndexOf(label) : -1;
		const BRect row = index >= 0 ? menu->ItemFrame(index) : BRect();
		const BMessenger target = index >= 0 ? menu->TargetOf(index) : BMessenger();
		window->Unlock();
		if (index < 0) continue;
		const BPoint centre((row.left + row.right) / 2, (row.top + row.bottom) / 2);
		if (!MouseDown(window, centre, B_PRIMARY_MOUSE_BUTTON)) return false;
		// The menu closes as it handles the release, so this wait reports a
		// window that is gone.
		MouseUp(window, centre);
		BLooper* looper = nullptr;
		target.Target(&looper);
		return !looper || WaitForIdle(looper);
	}
	return false;
}
