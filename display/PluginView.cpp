#include "display/PluginView.h"

#include <cassert>
#include <iterator>

#include <Menu.h>
#include <MenuItem.h>
#include <Messenger.h>
#include <PopUpMenu.h>
#include <Window.h>

#include "core/VisualizationPlugin.h"
#include "prefs/ViEdMainWindow.h"

namespace {

const MenuRow kMenuTable[] = {
    {"Preferences", int32(MSG_OPEN_PREFS), B_COMMAND_KEY, 'p'},
};

// The popup and up to four nested submenus.
constexpr int32 kMaxMenuDepth = 5;

} // namespace

PluginView::PluginView(BRect frame, VisualizationPlugin* owner, uint32 resizingMode, uint32 flags)
    : BView(frame, "", resizingMode, flags), owner(owner) {
	SetMeterViewColor();
}

PluginView::~PluginView() { delete popup; }

void PluginView::MessageReceived(BMessage* message) {
	if (message->what == MSG_OPEN_PREFS)
		ViEdMainWindow::OpenOrRaise();
	else
		BView::MessageReceived(message);
}

void PluginView::AttachedToWindow() {
	FixPopupMenu();
	MakeFocus(true);
}

void PluginView::FixPopupMenu() { FixPopupMenu(kMenuTable, int32(std::size(kMenuTable))); }

void PluginView::FixPopupMenu(const MenuRow* rows, int32 count) {
	delete popup;
	popup = new BPopUpMenu("Main menu", false, false, B_ITEMS_IN_COLUMN);
	BMenu* stack[kMaxMenuDepth] = {popup};
	int32 top = 0;

	for (int32 i = 0; i < count; i++) {
		const MenuRow& row = rows[i];
		switch (row.code) {
		case MENU_BEGIN_SUBMENU: {
			assert(top + 1 < kMaxMenuDepth && "menu tables nest submenus at most four deep");
			if (top + 1 >= kMaxMenuDepth) break;
			BMenu* submenu = new BMenu(row.label, B_ITEMS_IN_COLUMN);
			stack[top]->AddItem(new BMenuItem(submenu));
			stack[++top] = submenu;
			break;
		}
		case MENU_END_SUBMENU:
			assert(top > 0 && "MENU_END_SUBMENU without its MENU_BEGIN_SUBMENU");
			if (top == 0) break;
			stack[top--]->SetTargetForItems(this);
			break;
		case MENU_SEPARATOR:
			stack[top]->AddItem(new BSeparatorItem());
			break;
		default:
			stack[top]->AddItem(
			    new BMenuItem(row.label, new BMessage(uint32(row.code)), char(row.shortcut), row.modifiers));
			if (row.shortcut != 0)
				Window()->AddShortcut(uint8(row.shortcut), row.modifiers, new BMessage(uint32(row.code)),
				                      this);
		}
	}
	popup->SetTargetForItems(this);
}

void PluginView::MouseDown(BPoint where) {
	uint32 buttons = 0;
	GetMouse(&where, &buttons, true);
	if (buttons == B_PRIMARY_MOUSE_BUTTON) {
		if (!Window()->IsActive()) Window()->Activate(true);
	} else if (buttons == B_SECONDARY_MOUSE_BUTTON) {
		ConvertToScreen(&where);
		popup->SetTargetForItems(this);
		popup->Go(where, true, false, true);
	}
}

void PluginView::WindowActivated(bool active) {
	if (active) MakeFocus(true);
}

// The key-down goes to the player unchanged; the view keeps no key for itself
// (Command-P is a window shortcut and never reaches it).
void PluginView::KeyDown(const char*, int32) {
	BMessenger player(owner->host_handler);
	if (player.IsValid()) player.SendMessage(Window()->CurrentMessage());
}
