// The display: where windows appear and where their input comes from. One per
// process, behind this interface, with two backends: on screen through SDL2,
// and headless (in memory, deterministic).
//
// The server never calls into a BWindow directly. It reports to a window by
// posting messages to the window's messenger, with the platform's fields:
//   B_MOUSE_DOWN, B_MOUSE_UP, B_MOUSE_MOVED: "when" (int64), "where" (BPoint,
//     window content coordinates), "buttons" (int32), "modifiers" (int32),
//     and for a down "clicks" (int32)
//   B_KEY_DOWN, B_KEY_UP: "when", "modifiers", "key" (int32 key code),
//     "raw_char" (int32), "byte" (int8, one per byte), "bytes" (string)
//   B_WINDOW_ACTIVATED: "when", "active" (bool)
//   B_WINDOW_RESIZED: "when", "width", "height" (int32: Bounds() right/bottom)
//   B_WINDOW_MOVED: "when", "where" (BPoint, content left-top on screen)
//   B_MINIMIZE: "when", "minimize" (bool)
//   B_QUIT_REQUESTED: the close box
//   kMsgUpdate: "updateRect" (BRect, window coordinates): that area was
//     exposed; the window fills it with the view colours and redraws it.
// The server reports a move or resize it was asked to make as well as one the
// user made, so the window learns its real frame from these messages.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <InterfaceDefs.h>
#include <Messenger.h>
#include <Rect.h>

#include "server/Framebuffer.h"

inline constexpr uint32 kMsgUpdate = '_UPD';

typedef int32 server_window_id;

class UserActions;

struct WindowAttributes {
	BRect frame; // content area in screen coordinates, already within limits
	std::string title;
	window_look look = B_TITLED_WINDOW_LOOK;
	window_feel feel = B_NORMAL_WINDOW_FEEL;
	uint32 flags = 0;
};

class DisplayServer {
public:
	virtual ~DisplayServer() = default;
	virtual bool IsHeadless() const = 0;
	// The user's actions as this display acts them out itself, or null when
	// a real user acts (on screen). Lives as long as the display. [any thread]
	virtual UserActions* SimulatedUser() { return nullptr; }

	// Windows [any thread]. A new window is hidden.
	virtual server_window_id CreateWindow(const WindowAttributes& attributes, const BMessenger& client) = 0;
	virtual void DestroyWindow(server_window_id id) = 0;
	// Showing activates the window (the previously active one is told it is
	// no longer active) and exposes its whole content.
	virtual void SetVisible(server_window_id id, bool visible) = 0;
	virtual void SetMinimized(server_window_id id, bool minimized) = 0;
	virtual void Activate(server_window_id id) = 0;
	virtual void MoveTo(server_window_id id, BPoint contentLeftTop) = 0;
	// Width and height in pixels (Bounds() right + 1 and bottom + 1).
	virtual void ResizeTo(server_window_id id, int32 width, int32 height) = 0;
	virtual void SetTitle(server_window_id id, const std::string& title) = 0;
	// Full screen: the window fills the main screen, without decoration, and
	// the pointer is hidden while it is over the window; its frame is reported
	// once the window fills the screen. Leaving puts the window back at the
	// frame it had before (where it was asked to be) and reports that frame
	// before returning.
	virtual void SetFullScreen(server_window_id id, bool fullScreen) = 0;

	// Puts the area of the framebuffer on the screen: sends it at once and,
	// with `wait`, returns once it is shown. [the thread holding the window's lock]
	virtual void Present(server_window_id id, const Framebuffer& pixels, const PixelRect& area,
	                     bool wait) = 0;

	// The main screen's frame, left and top 0. [any thread]
	virtual BRect ScreenFrame() = 0;

	// From now on, the connection to the display closes whenever no window
	// is left, and opens again for the next one; `closedOrInUse` is called,
	// on any thread, once it is closed or found in use. [any thread]
	virtual void CloseWhenUnused(std::function<void()> closedOrInUse) { closedOrInUse(); }

	// Updates put on a real screen so far, all windows together. [any thread]
	int64 FramesShown() const { return fFramesShown.load(std::memory_order_relaxed); }

protected:
	void CountFrameShown() { fFramesShown.fetch_add(1, std::memory_order_relaxed); }

private:
	std::atomic<int64> fFramesShown{0};
};
