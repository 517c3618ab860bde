#include "server/headless/HeadlessServer.h"

#include <algorithm>
#include <cmath>

#include <AppDefs.h>
#include <InterfaceDefs.h>

#include "server/ServerMessages.h"

namespace {

void Post(const BMessenger& client, BMessage message) { client.SendMessage(&message); }

int32 Width(const BRect& frame) { return int32(std::lround(frame.Width())) + 1; }
int32 Height(const BRect& frame) { return int32(std::lround(frame.Height())) + 1; }

} // namespace

HeadlessServer::HeadlessServer(int32 screenWidth, int32 screenHeight)
    : fScreen(0, 0, float(screenWidth - 1), float(screenHeight - 1)) {}

server_window_id HeadlessServer::CreateWindow(const WindowAttributes& attributes, const BMessenger& client) {
	std::lock_guard lock(fLock);
	const server_window_id id = fNextId++;
	WindowState state;
	state.attributes = attributes;
	fWindows[id] = Window{state, client};
	return id;
}

void HeadlessServer::DestroyWindow(server_window_id id) {
	std::lock_guard lock(fLock);
	fWindows.erase(id);
	if (fActive == id) fActive = 0;
}

void HeadlessServer::SetVisible(server_window_id id, bool visible) {
	std::lock_guard lock(fLock);
	Window* window = Find(id);
	if (!window || window->state.visible == visible) return;
	window->state.visible = visible;
	if (!visible) {
		DeactivateLocked(id);
		return;
	}
	if (window->state.minimized) return;
	ActivateLocked(id);
	UpdateWhole(*window);
}

void HeadlessServer::SetMinimized(server_window_id id, bool minimized) {
	std::lock_guard lock(fLock);
	Window* window = Find(id);
	if (!window || window->state.minimized == minimized) return;
	window->state.minimized = minimized;
	Post(window->client, server_message::Minimize(minimized));
	if (!window->state.visible) return;
	if (minimized) {
		DeactivateLocked(id);
		return;
	}
	ActivateLocked(id);
	UpdateWhole(*window);
}

void HeadlessServer::Activate(server_window_id id) {
	std::lock_guard lock(fLock);
	if (FindUsable(id)) ActivateLocked(id);
}

void HeadlessServer::MoveTo(server_window_id id, BPoint contentLeftTop) {
	std::lock_guard lock(fLock);
	if (Window* window = Find(id)) MoveLocked(*window, contentLeftTop);
}

void HeadlessServer::ResizeTo(server_window_id id, int32 width, int32 height) {
	std::lock_guard lock(fLock);
	if (Window* window = Find(id)) ResizeLocked(*window, width, height);
}

void HeadlessServer::SetTitle(server_window_id id, const std::string& title) {
	std::lock_guard lock(fLock);
	if (Window* window = Find(id)) window->state.attributes.title = title;
}

void HeadlessServer::SetFullScreen(server_window_id id, bool fullScreen) {
	std::lock_guard lock(fLock);
	Window* window = Find(id);
	if (!window || window->state.windowed.has_value() == fullScreen) return;
	const BRect to = fullScreen ? fScreen : *window->state.windowed;
	window->state.windowed = fullScreen ? std::optional(window->state.attributes.frame) : std::nullopt;
	MoveLocked(*window, to.LeftTop());
	ResizeLocked(*window, Width(to), Height(to));
}

BRect HeadlessServer::ScreenFrame() { return fScreen; }

std::optional<HeadlessServer::WindowState> HeadlessServer::State(server_window_id id) const {
	std::lock_guard lock(fLock);
	auto found = fWindows.find(id);
	if (found == fWindows.end()) return std::nullopt;
	return found->second.state;
}

server_window_id HeadlessServer::ActiveWindow() const {
	std::lock_guard lock(fLock);
	return fActive;
}

bool HeadlessServer::UserMove(server_window_id id, BPoint contentLeftTop) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window || (window->state.attributes.flags & B_NOT_MOVABLE)) return false;
	MoveLocked(*window, contentLeftTop);
	return true;
}

bool HeadlessServer::UserResize(server_window_id id, int32 width, int32 height) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window) return false;
	const uint32 flags = window->state.attributes.flags;
	if (flags & B_NOT_RESIZABLE) return false;
	if (flags & B_NOT_H_RESIZABLE) width = Width(window->state.attributes.frame);
	if (flags & B_NOT_V_RESIZABLE) height = Height(window->state.attributes.frame);
	ResizeLocked(*window, width, height);
	return true;
}

bool HeadlessServer::UserClose(server_window_id id) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window || (window->state.attributes.flags & B_NOT_CLOSABLE)) return false;
	window->client.SendMessage(B_QUIT_REQUESTED);
	return true;
}

bool HeadlessServer::UserActivate(server_window_id id) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window || (window->state.attributes.flags & B_AVOID_FOCUS)) return false;
	ActivateLocked(id);
	return true;
}

bool HeadlessServer::UserMinimize(server_window_id id, bool minimized) {
	std::lock_guard lock(fLock);
	Window* window = Find(id);
	if (!window || !window->state.visible || window->state.minimized == minimized) return false;
	if (minimized && (window->state.attributes.flags & B_NOT_MINIMIZABLE)) return false;
	window->state.minimized = minimized;
	Post(window->client, server_message::Minimize(minimized));
	if (minimized) {
		DeactivateLocked(id);
	} else {
		ActivateLocked(id);
		UpdateWhole(*window);
	}
	return true;
}

bool HeadlessServer::UserExpose(server_window_id id, BRect rect) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window) return false;
	const BRect& frame = window->state.attributes.frame;
	const BRect exposed = rect & BRect(0, 0, frame.Width(), frame.Height());
	if (!exposed.IsValid()) return false;
	Post(window->client, server_message::Update(exposed));
	return true;
}

bool HeadlessServer::UserMouse(server_window_id id, uint32 what, BPoint where, uint32 buttons,
                               uint32 modifiers, int32 clicks) {
	std::lock_guard lock(fLock);
	Window* window = FindUsable(id);
	if (!window) return false;
	if (what == B_MOUSE_DOWN && fActive != id && !(window->state.attributes.flags & B_AVOID_FOCUS))
		ActivateLocked(id);
	Post(window->client, server_message::Mouse(what, where, buttons, modifiers, clicks));
	return true;
}

bool HeadlessServer::UserKey(uint32 what, const std::string& bytes, uint32 modifiers, int32 key) {
	std::lock_guard lock(fLock);
	Window* window = Find(fActive);
	if (!window) return false;
	const int32 rawChar = bytes.empty() ? 0 : int32(uint8(bytes[0]));
	Post(window->client, server_message::Key(what, bytes, key, rawChar, modifiers));
	return true;
}

HeadlessServer::Window* HeadlessServer::Find(server_window_id id) {
	auto found = fWindows.find(id);
	return found == fWindows.end() ? nullptr : &found->second;
}

HeadlessServer::Window* HeadlessServer::FindUsable(server_window_id id) {
	Window* window = Find(id);
	return window && window->state.visible && !window->state.minimized ? window : nullptr;
}

void HeadlessServer::ActivateLocked(server_window_id id) {
	Window* window = Find(id);
	if (fActive == id || (window->state.attributes.flags & B_AVOID_FOCUS)) return;
	if (Window* previous = Find(fActive)) Post(previous->client, server_message::Activated(false));
	fActive = id;
	Post(window->client, server_message::Activated(true));
}

void HeadlessServer::DeactivateLocked(server_window_id id) {
	if (fActive != id) return;
	fActive = 0;
	Post(Find(id)->client, server_message::Activated(false));
}

void HeadlessServer::MoveLocked(Window& window, BPoint contentLeftTop) {
	if (window.state.attributes.frame.LeftTop() == contentLeftTop) return;
	window.state.attributes.frame.OffsetTo(contentLeftTop);
	Post(window.client, server_message::Moved(contentLeftTop));
}

void HeadlessServer::ResizeLocked(Window& window, int32 width, int32 height) {
	width = std::clamp(width, int32(1), kMaxWindowSize);
	height = std::clamp(height, int32(1), kMaxWindowSize);
	BRect& frame = window.state.attributes.frame;
	const int32 oldWidth = Width(frame);
	const int32 oldHeight = Height(frame);
	if (width == oldWidth && height == oldHeight) return;
	frame.right = frame.left + float(width - 1);
	frame.bottom = frame.top + float(height - 1);
	Post(window.client, server_message::Resized(width, height));
	if (width > oldWidth || height > oldHeight) UpdateWhole(window);
}

void HeadlessServer::UpdateWhole(Window& window) {
	const BRect& frame = window.state.attributes.frame;
	Post(window.client, server_message::Update(BRect(0, 0, frame.Width(), frame.Height())));
}
