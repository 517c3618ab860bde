// The display in memory: no pixels leave the process, and every reaction is
// posted at once, in a fixed order, on the calling thread, so that the same
// calls always give the same messages (only "when" differs).
//
// What it posts:
// - SetVisible(true) on a hidden window: B_WINDOW_ACTIVATED active=false to
//   the previously active window, active=true to this one (unless it has
//   B_AVOID_FOCUS), then kMsgUpdate for the whole content.
//   SetVisible(false): active=false when it was the active window; no other
//   window becomes active.
// - MoveTo: B_WINDOW_MOVED when the position changes.
// - ResizeTo: B_WINDOW_RESIZED when the size changes, then, when the window
//   grew in either direction, kMsgUpdate for the whole content (the on-screen
//   display repaints the whole content after growing too).
// - SetMinimized(true): B_MINIMIZE minimize=true, then active=false when it
//   was active. SetMinimized(false): B_MINIMIZE minimize=false, then the
//   activation and update of a show.
// - Activate: the activation of a show, for a visible, unminimised window.
// - SetFullScreen: B_WINDOW_MOVED and B_WINDOW_RESIZED as for MoveTo and
//   ResizeTo, to the screen's frame and back to the frame before.
// Window ids count up from 1 and are never reused.
#pragma once

#include <map>
#include <mutex>
#include <optional>

#include "server/DisplayServer.h"
#include "server/UserActions.h"

class HeadlessServer final : public DisplayServer, public UserActions {
public:
	HeadlessServer(int32 screenWidth, int32 screenHeight);

	bool IsHeadless() const override { return true; }
	UserActions* SimulatedUser() override { return this; }
	server_window_id CreateWindow(const WindowAttributes& attributes, const BMessenger& client) override;
	void DestroyWindow(server_window_id id) override;
	void SetVisible(server_window_id id, bool visible) override;
	void SetMinimized(server_window_id id, bool minimized) override;
	void Activate(server_window_id id) override;
	void MoveTo(server_window_id id, BPoint contentLeftTop) override;
	void ResizeTo(server_window_id id, int32 width, int32 height) override;
	void SetTitle(server_window_id id, const std::string& title) override;
	void SetFullScreen(server_window_id id, bool fullScreen) override;
	// Nothing to show: the window's own framebuffer is what tests read.
	void Present(server_window_id, const Framebuffer&, const PixelRect&, bool) override {}
	BRect ScreenFrame() override;

	// What the display knows of a window. [any thread]
	struct WindowState {
		WindowAttributes attributes; // frame and title as they are now
		bool visible = false;
		bool minimized = false;
		std::optional<BRect> windowed; // while full screen: the frame before
	};
	std::optional<WindowState> State(server_window_id id) const;
	// The active window, or 0 when none is. [any thread]
	server_window_id ActiveWindow() const;

	// The user's actions (UserActions), each posting in the order given above.
	bool UserMove(server_window_id id, BPoint contentLeftTop) override;
	bool UserResize(server_window_id id, int32 width, int32 height) override;
	bool UserClose(server_window_id id) override;
	bool UserActivate(server_window_id id) override;
	bool UserMinimize(server_window_id id, bool minimized) override;
	bool UserExpose(server_window_id id, BRect rect) override;
	bool UserMouse(server_window_id id, uint32 what, BPoint where, uint32 buttons, uint32 modifiers,
	               int32 clicks = 1) override;
	bool UserKey(uint32 what, const std::string& bytes, uint32 modifiers = 0, int32 key = 0) override;

private:
	struct Window {
		WindowState state;
		BMessenger client;
	};

	// All below with fLock held; posting under the lock keeps the order of
	// messages from concurrent calls the order of the calls.
	Window* Find(server_window_id id);
	Window* FindUsable(server_window_id id);
	void ActivateLocked(server_window_id id);
	void DeactivateLocked(server_window_id id);
	void MoveLocked(Window& window, BPoint contentLeftTop);
	void ResizeLocked(Window& window, int32 width, int32 height);
	void UpdateWhole(Window& window);

	mutable std::mutex fLock;
	std::map<server_window_id, Window> fWindows;
	server_window_id fNextId = 1;
	server_window_id fActive = 0;
	const BRect fScreen;
};
