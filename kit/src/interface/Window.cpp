// Past 300 lines as one unit: BWindow's public calls and its looper's dispatch of window messages.
#include <View.h>
#include <Window.h>
#include <kit/DrawingObserver.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "interface/WindowAccess.h"
#include "interface/WindowData.h"
#include "server/DisplayChoice.h"
#include "support/KitAssert.h"

namespace {

constexpr rgb_color kRootColor = {216, 216, 216, 255};
constexpr uint32 kShortcutModifiers = B_SHIFT_KEY | B_COMMAND_KEY | B_CONTROL_KEY | B_OPTION_KEY;

// Keeps a frame usable: positions finite and on a plausible desktop, sizes
// whole pixels between 1 and kMaxWindowSize.
BRect SaneFrame(BRect frame) {
	auto position = [](float v, float fallback) {
		return std::isfinite(v) ? std::clamp(v, -32768.0f, 32768.0f) : fallback;
	};
	auto extent = [](float v) {
		return std::isfinite(v) ? std::clamp(std::floor(v), 0.0f, float(kMaxWindowSize - 1)) : 0.0f;
	};
	const float left = position(frame.left, 50);
	const float top = position(frame.top, 50);
	const float width = extent(frame.right - frame.left);
	const float height = extent(frame.bottom - frame.top);
	return BRect(left, top, left + width, top + height);
}

int32 PixelsOf(float extent) { return int32(extent) + 1; }

} // namespace

void BWindow::Data::Invalidate(BRect rect) {
	BMessage update(kMsgUpdate);
	update.AddRect("updateRect", rect);
	window->PostMessage(&update);
}

void BWindow::Data::Present() {
	if (serverId < 0) return;
	PixelRect area = dirty.Intersect(pixels.Bounds());
	dirty = {};
	if (area.IsEmpty()) return;
	DisplayChoice::Server().Present(serverId, pixels, area, false);
}

BWindow::BWindow(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags, uint32)
    : BLooper(title), fData(std::make_unique<Data>()) {
	Data& data = *fData;
	data.window = this;
	data.title = title ? title : "";
	data.untitledName = WindowAccess::UntitledName();
	data.look = look;
	data.feel = feel;
	data.flags = flags;
	data.frame = SaneFrame(frame);
	data.pixels.Resize(PixelsOf(data.frame.Width()), PixelsOf(data.frame.Height()), kRootColor);
	data.root = std::make_unique<BView>(Bounds(), "top view", B_FOLLOW_ALL, B_WILL_DRAW);
	data.root->SetViewColor(kRootColor);
	data.root->AttachTo(this);
	WindowAttributes attributes;
	attributes.frame = data.frame;
	attributes.title = data.title.empty() ? data.untitledName : data.title;
	attributes.look = look;
	attributes.feel = feel;
	attributes.flags = flags;
	data.serverId = DisplayChoice::Server().CreateWindow(attributes, BMessenger(this));
	WindowAccess::Register(this);
}

BWindow::~BWindow() {
	WindowAccess::Unregister(this);
	Data& data = *fData;
	if (data.serverId >= 0) DisplayChoice::Server().DestroyWindow(data.serverId);
	data.serverId = -1;
	// Detaching runs the views' hooks, which may still reach the window.
	data.root->DetachFrom();
	data.root.reset();
}

void BWindow::DispatchMessage(BMessage* message, BHandler* handler) {
	Data& data = *fData;
	if (handler != this) {
		BLooper::DispatchMessage(message, handler);
		return;
	}
	switch (message->what) {
	case B_MOUSE_DOWN:
	case B_MOUSE_UP:
	case B_MOUSE_MOVED: {
		BPoint where;
		message->FindPoint("where", &where);
		data.mouseWhere = where;
		data.mouseButtons = uint32(message->GetInt32("buttons", 0));
		BView* view = message->what == B_MOUSE_DOWN || !data.mouseTarget ? FindView(where) : data.mouseTarget;
		if (message->what == B_MOUSE_DOWN) data.mouseTarget = view;
		if (message->what == B_MOUSE_UP) data.mouseTarget = nullptr;
		if (!view) break;
		const BPoint local = where - view->OriginInWindow();
		message->ReplacePoint("where", local);
		message->AddPoint("be:window_where", where);
		if (message->what == B_MOUSE_DOWN)
			view->MouseDown(local);
		else if (message->what == B_MOUSE_UP)
			view->MouseUp(local);
		else
			view->MouseMoved(local, B_INSIDE_VIEW, nullptr);
		break;
	}
	case B_KEY_DOWN:
	case B_KEY_UP: {
		const char* bytes = message->GetString("bytes", "");
		const uint32 modifiers = uint32(message->GetInt32("modifiers", 0));
		if (message->what == B_KEY_DOWN && (modifiers & B_COMMAND_KEY) && bytes[0] != '\0' &&
		    bytes[1] == '\0') {
			const uint32 key = uint32(std::tolower(uint8(bytes[0])));
			for (const WindowShortcut& shortcut : data.shortcuts) {
				if (shortcut.key == key && shortcut.modifiers == (modifiers & kShortcutModifiers)) {
					PostMessage(shortcut.message.get(), shortcut.target ? shortcut.target : this);
					return;
				}
			}
		}
		if (BView* focus = data.focus) {
			if (message->what == B_KEY_DOWN)
				focus->KeyDown(bytes, int32(std::strlen(bytes)));
			else
				focus->KeyUp(bytes, int32(std::strlen(bytes)));
		}
		break;
	}
	case B_WINDOW_ACTIVATED: {
		const bool active = message->GetBool("active", false);
		if (active == data.active) break;
		data.active = active;
		WindowActivated(active);
		data.root->WindowActivatedTree(active);
		break;
	}
	case B_WINDOW_MOVED: {
		BPoint where;
		if (message->FindPoint("where", &where) != B_OK) break;
		data.frame.OffsetTo(where);
		FrameMoved(where);
		break;
	}
	case B_WINDOW_RESIZED: {
		const float width = float(message->GetInt32("width", int32(data.frame.Width())));
		const float height = float(message->GetInt32("height", int32(data.frame.Height())));
		data.frame.right = data.frame.left + width;
		data.frame.bottom = data.frame.top + height;
		data.pixels.Resize(PixelsOf(width), PixelsOf(height), data.root->ViewColor());
		data.dirty = {};
		data.root->ResizeTo(width, height);
		// Announce the resize to every observed view first.
		std::vector<BView*> pending{data.root.get()};
		while (!pending.empty()) {
			BView* view = pending.back();
			pending.pop_back();
			if (view->fObserver) view->fObserver->WindowResizing(width, height);
			pending.insert(pending.end(), view->fChildren.begin(), view->fChildren.end());
		}
		FrameResized(width, height);
		break;
	}
	case B_MINIMIZE:
		data.minimized = message->GetBool("minimize", false);
		break;
	case kMsgUpdate: {
		BRect rect;
		if (message->FindRect("updateRect", &rect) != B_OK) rect = Bounds();
		data.root->DrawTree(rect);
		data.Present();
		break;
	}
	default:
		BLooper::DispatchMessage(message, handler);
	}
}

void BWindow::FrameMoved(BPoint) {}
void BWindow::FrameResized(float, float) {}
void BWindow::WindowActivated(bool) {}

void BWindow::Minimize(bool minimize) {
	fData->minimized = minimize;
	DisplayChoice::Server().SetMinimized(fData->serverId, minimize);
}

bool BWindow::QuitRequested() { return true; }

void BWindow::Quit() {
	KitAssert(IsLocked(), "Lock() the window before Quit() from another thread");
	if (!IsHidden()) {
		fData->hideLevel = 1;
		DisplayChoice::Server().SetVisible(fData->serverId, false);
	}
	BLooper::Quit();
}

void BWindow::Show() {
	Data& data = *fData;
	if (--data.hideLevel == 0) DisplayChoice::Server().SetVisible(data.serverId, true);
	if (Thread() < 0) Run();
}

void BWindow::Hide() {
	Data& data = *fData;
	if (data.hideLevel++ == 0) DisplayChoice::Server().SetVisible(data.serverId, false);
}

bool BWindow::IsHidden() const { return fData->hideLevel > 0; }
bool BWindow::IsMinimized() const { return fData->minimized; }

void BWindow::Activate(bool active) {
	if (active && !IsHidden()) DisplayChoice::Server().Activate(fData->serverId);
}

bool BWindow::IsActive() const { return fData->active; }

void BWindow::SetTitle(const char* title) {
	fData->title = title ? title : "";
	SetName(title);
	DisplayChoice::Server().SetTitle(fData->serverId,
	                                 fData->title.empty() ? fData->untitledName : fData->title);
}

const char* BWindow::Title() const { return fData->title.c_str(); }
window_look BWindow::Look() const { return fData->look; }
window_feel BWindow::Feel() const { return fData->feel; }
uint32 BWindow::Flags() const { return fData->flags; }

BRect BWindow::Frame() const { return fData->frame; }

BRect BWindow::Bounds() const { return BRect(0, 0, fData->frame.Width(), fData->frame.Height()); }

void BWindow::MoveTo(BPoint where) {
	BRect frame = SaneFrame(BRect(where.x, where.y, where.x, where.y));
	DisplayChoice::Server().MoveTo(fData->serverId, frame.LeftTop());
}

void BWindow::MoveBy(float dx, float dy) { MoveTo(fData->frame.LeftTop() + BPoint(dx, dy)); }

void BWindow::ResizeTo(float width, float height) {
	BRect frame = SaneFrame(BRect(0, 0, width, height));
	DisplayChoice::Server().ResizeTo(fData->serverId, PixelsOf(frame.Width()), PixelsOf(frame.Height()));
}

void BWindow::ResizeBy(float dx, float dy) {
	ResizeTo(fData->frame.Width() + dx, fData->frame.Height() + dy);
}

BPoint BWindow::ConvertToScreen(BPoint windowPoint) const { return windowPoint + fData->frame.LeftTop(); }

BPoint BWindow::ConvertFromScreen(BPoint screenPoint) const { return screenPoint - fData->frame.LeftTop(); }

void BWindow::AddChild(BView* child, BView* before) { fData->root->AddChild(child, before); }

bool BWindow::RemoveChild(BView* child) { return fData->root->RemoveChild(child); }

int32 BWindow::CountChildren() const { return fData->root->CountChildren(); }

BView* BWindow::ChildAt(int32 index) const { return fData->root->ChildAt(index); }

BView* BWindow::CurrentFocus() const { return fData->focus; }

BView* BWindow::FindView(BPoint windowPoint) const {
	BView* view = fData->root->ViewAt(windowPoint);
	return view == fData->root.get() ? nullptr : view;
}

void BWindow::AddShortcut(uint32 key, uint32 modifiers, BMessage* message, BHandler* target) {
	std::unique_ptr<BMessage> owned(message);
	if (!owned) return;
	key = uint32(std::tolower(int(key)));
	modifiers = (modifiers | B_COMMAND_KEY) & kShortcutModifiers;
	RemoveShortcut(key, modifiers);
	fData->shortcuts.push_back({key, modifiers, std::move(owned), target});
}

void BWindow::RemoveShortcut(uint32 key, uint32 modifiers) {
	key = uint32(std::tolower(int(key)));
	modifiers = (modifiers | B_COMMAND_KEY) & kShortcutModifiers;
	std::erase_if(fData->shortcuts,
	              [&](const WindowShortcut& s) { return s.key == key && s.modifiers == modifiers; });
}

bool BWindow::HasShortcut(uint32 key, uint32 modifiers) const {
	key = uint32(std::tolower(int(key)));
	modifiers = (modifiers | B_COMMAND_KEY) & kShortcutModifiers;
	return std::any_of(fData->shortcuts.begin(), fData->shortcuts.end(),
	                   [&](const WindowShortcut& s) { return s.key == key && s.modifiers == modifiers; });
}

void BWindow::UpdateIfNeeded() { fData->Present(); }

void BWindow::Sync() const { fData->Present(); }

void BWindow::Flush() const { fData->Present(); }
