#include "interface/MenuWindow.h"

#include <AppDefs.h>
#include <OS.h>
#include <Screen.h>

#include "interface/MenuLayout.h"
#include "interface/MenuSession.h"
#include "interface/MenuView.h"

namespace {

constexpr uint32 kMsgCloseLevel = '_MCL';    // to a level: close, with the levels below it
constexpr uint32 kMsgCloseMenu = '_MCM';     // to the top level: close the whole menu
constexpr uint32 kMsgSubmenuClosed = '_MSC'; // to a parent: "index", the submenu's item, went back
constexpr uint32 kMsgKey = '_MKY';           // to a submenu with the keyboard: "bytes" were typed
constexpr uint32 kMsgTakeKeys = '_MTK';      // to a submenu: it has the keyboard now

// Shifts the frame into the screen, keeping its size; the left-top corner
// wins when the frame is larger than the screen.
BRect InsideScreen(BRect frame) {
	const BRect screen = BScreen().Frame();
	if (frame.right > screen.right) frame.OffsetBy(screen.right - frame.right, 0);
	if (frame.bottom > screen.bottom) frame.OffsetBy(0, screen.bottom - frame.bottom);
	if (frame.left < screen.left) frame.OffsetBy(screen.left - frame.left, 0);
	if (frame.top < screen.top) frame.OffsetBy(0, screen.top - frame.top);
	return frame;
}

// A submenu goes right of its parent, its first row level with its item;
// left of the parent when there is no room on the right.
BRect SubmenuFrame(BRect parent, BRect item, const MenuLayout& layout) {
	const float firstRowTop = layout.CountItems() > 0 ? layout.ItemFrame(0).top : 0;
	BRect frame(0, 0, layout.Width(), layout.Height());
	frame.OffsetTo(parent.right + 1, item.top - firstRowTop);
	if (frame.right > BScreen().Frame().right) frame.OffsetTo(parent.left - 1 - frame.Width(), frame.top);
	return InsideScreen(frame);
}

} // namespace

MenuWindow* MenuWindow::OpenTop(const std::shared_ptr<MenuSession>& session, BPoint where) {
	const MenuLayout layout(session->Entries());
	const BRect frame =
	    InsideScreen(BRect(where.x, where.y, where.x + layout.Width(), where.y + layout.Height()));
	auto* window = new MenuWindow(session, session->Entries(), {}, layout, frame, BMessenger());
	session->Opened(window);
	window->Show();
	return window;
}

MenuWindow::MenuWindow(std::shared_ptr<MenuSession> session, const std::vector<MenuEntry>& entries,
                       std::vector<int32> path, const MenuLayout& layout, BRect frame, BMessenger parent)
    : BWindow(frame, "menu", path.empty() ? B_BORDERED_WINDOW_LOOK : B_NO_BORDER_WINDOW_LOOK,
              B_FLOATING_ALL_WINDOW_FEEL,
              B_NOT_MOVABLE | B_NOT_CLOSABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE | B_NOT_RESIZABLE |
                  B_WILL_ACCEPT_FIRST_CLICK | (path.empty() ? 0u : uint32(B_AVOID_FOCUS))),
      fSession(std::move(session)), fEntries(entries), fPath(std::move(path)),
      fView(new MenuView(entries, layout)), fParent(parent) {
	AddChild(fView);
}

MenuWindow::~MenuWindow() {
	CloseSubmenu();
	if (IsTop()) fSession->Closed();
}

BRect MenuWindow::ItemFrame(int32 index) const { return fView->Layout().ItemFrame(index); }

int32 MenuWindow::Highlighted() const { return fView->Highlighted(); }

MenuWindow* MenuWindow::SubmenuWindow() const {
	BLooper* looper = nullptr;
	fSubmenu.Target(&looper);
	return dynamic_cast<MenuWindow*>(looper);
}

int32 MenuWindow::IndexOf(const std::string& label) const {
	for (size_t i = 0; i < fEntries.size(); i++)
		if (fEntries[i].IsSelectable() && !fEntries[i].hasSubmenu && fEntries[i].label == label)
			return int32(i);
	return -1;
}

BMessenger MenuWindow::TargetOf(int32 index) const {
	return index >= 0 && size_t(index) < fEntries.size() ? fEntries[size_t(index)].target : BMessenger();
}

void MenuWindow::DispatchMessage(BMessage* message, BHandler* handler) {
	if (handler == this) {
		switch (message->what) {
		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_MOVED: {
			BPoint where;
			if (message->FindPoint("where", &where) == B_OK) Mouse(message->what, where);
			return;
		}
		case B_KEY_DOWN:
			Key(message->GetString("bytes", ""));
			return;
		case B_KEY_UP:
			return;
		default:
			break;
		}
	}
	BWindow::DispatchMessage(message, handler);
}

void MenuWindow::MessageReceived(BMessage* message) {
	switch (message->what) {
	case kMsgCloseLevel:
		Quit();
		break;
	case kMsgCloseMenu:
		CloseMenu();
		break;
	case kMsgSubmenuClosed:
		if (message->GetInt32("index", -1) == fSubmenuIndex) {
			fSubmenu = BMessenger();
			fSubmenuIndex = -1;
			fSubmenuHasKeys = false;
		}
		break;
	case kMsgKey:
		Key(message->GetString("bytes", ""));
		break;
	case kMsgTakeKeys:
		if (fView->Highlighted() < 0) MoveHighlight(1);
		break;
	default:
		BWindow::MessageReceived(message);
	}
}

void MenuWindow::WindowActivated(bool active) {
	if (!active && IsTop()) CloseMenu();
}

void MenuWindow::Mouse(uint32 what, BPoint where) {
	const bool inside = Bounds().Contains(where);
	const int32 index = inside ? fView->Layout().IndexAt(where) : -1;
	const bool selectable = index >= 0 && fEntries[size_t(index)].IsSelectable();
	switch (what) {
	case B_MOUSE_MOVED:
		if (selectable)
			Hover(index);
		else if (fSubmenuIndex < 0)
			fView->SetHighlighted(-1);
		break;
	case B_MOUSE_DOWN:
		if (!inside) {
			CloseMenu();
			break;
		}
		fPressed = true;
		if (selectable) Hover(index);
		break;
	case B_MOUSE_UP: {
		const bool pressed = fPressed;
		fPressed = false;
		if (pressed && selectable && !fEntries[size_t(index)].hasSubmenu) Choose(index);
		break;
	}
	}
}

void MenuWindow::Key(const std::string& bytes) {
	if (fSubmenuHasKeys) {
		BMessage key(kMsgKey);
		key.AddString("bytes", bytes.c_str());
		if (fSubmenu.SendMessage(&key) == B_OK) return;
		// The submenu is already gone; this level takes the key.
		fSubmenu = BMessenger();
		fSubmenuIndex = -1;
		fSubmenuHasKeys = false;
	}
	if (bytes.size() != 1) return;
	const int32 highlighted = fView->Highlighted();
	switch (bytes[0]) {
	case B_DOWN_ARROW:
		MoveHighlight(1);
		break;
	case B_UP_ARROW:
		MoveHighlight(-1);
		break;
	case B_RIGHT_ARROW:
		if (highlighted >= 0) OpenSubmenu(highlighted, true);
		break;
	case B_LEFT_ARROW:
		if (!IsTop()) Back();
		break;
	case B_RETURN:
	case B_SPACE:
		if (highlighted >= 0) Choose(highlighted);
		break;
	case B_ESCAPE:
		CloseMenu();
		break;
	default:
		break;
	}
}

void MenuWindow::Hover(int32 index) {
	fView->SetHighlighted(index);
	if (fEntries[size_t(index)].OpensSubmenu())
		OpenSubmenu(index, false);
	else
		CloseSubmenu();
}

// Moves to the next item that can be chosen, around the end; from no
// highlight, down starts at the first item and up at the last.
void MenuWindow::MoveHighlight(int32 direction) {
	const int32 count = int32(fEntries.size());
	if (count == 0) return;
	CloseSubmenu();
	int32 index = fView->Highlighted();
	if (index < 0) index = direction > 0 ? -1 : count;
	for (int32 step = 0; step < count; step++) {
		index = ((index + direction) % count + count) % count;
		if (fEntries[size_t(index)].IsSelectable()) {
			fView->SetHighlighted(index);
			return;
		}
	}
}

void MenuWindow::Choose(int32 index) {
	const MenuEntry& entry = fEntries[size_t(index)];
	if (!entry.IsSelectable()) return;
	if (entry.hasSubmenu) {
		OpenSubmenu(index, true);
		return;
	}
	std::vector<int32> path = fPath;
	path.push_back(index);
	fSession->Chose(std::move(path));
	if (fSession->DeliversMessage() && entry.message) {
		BMessage message(*entry.message);
		message.AddInt64("when", system_time());
		message.AddInt32("index", index);
		entry.target.SendMessage(&message);
	}
	CloseMenu();
}

void MenuWindow::OpenSubmenu(int32 index, bool withKeys) {
	const MenuEntry& entry = fEntries[size_t(index)];
	if (index == fSubmenuIndex && fSubmenu.IsValid()) {
		if (withKeys && !fSubmenuHasKeys) {
			fSubmenuHasKeys = true;
			fSubmenu.SendMessage(kMsgTakeKeys);
		}
		return;
	}
	CloseSubmenu();
	if (!entry.OpensSubmenu()) return;
	fView->SetHighlighted(index);
	const MenuLayout layout(entry.submenu);
	BRect item = ItemFrame(index);
	item.OffsetBy(Frame().LeftTop());
	std::vector<int32> path = fPath;
	path.push_back(index);
	auto* submenu = new MenuWindow(fSession, entry.submenu, std::move(path), layout,
	                               SubmenuFrame(Frame(), item, layout), BMessenger(this));
	fSubmenu = BMessenger(submenu);
	fSubmenuIndex = index;
	fSubmenuHasKeys = withKeys;
	// Not running yet, so the message waits for the submenu's first turn.
	if (withKeys) fSubmenu.SendMessage(kMsgTakeKeys);
	submenu->Show();
}

void MenuWindow::CloseSubmenu() {
	if (fSubmenu.IsValid()) fSubmenu.SendMessage(kMsgCloseLevel);
	fSubmenu = BMessenger();
	fSubmenuIndex = -1;
	fSubmenuHasKeys = false;
}

void MenuWindow::Back() {
	BMessage closed(kMsgSubmenuClosed);
	closed.AddInt32("index", fPath.back());
	fParent.SendMessage(&closed);
	Quit();
}

void MenuWindow::CloseMenu() {
	if (IsTop()) {
		Quit();
		return;
	}
	fSession->Messenger().SendMessage(kMsgCloseMenu);
	Quit();
}
