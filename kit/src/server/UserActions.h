// What a user does to the windows of a display that has no real user: the
// headless display acts them out itself, and the host and the tests drive it
// through this. The on-screen display has none (DisplayServer::SimulatedUser
// gives null): there the kit posts the messages a user's action would bring.
//
// [any thread] Every call. Each posts what the on-screen display posts for the
// action, and returns false, posting nothing, when the user could not do it:
// the window is unknown, hidden or minimised, or its flags forbid the action.
#pragma once

#include <string>

#include <Point.h>
#include <Rect.h>

#include "server/DisplayServer.h"

class UserActions {
public:
	// B_WINDOW_MOVED; not with B_NOT_MOVABLE.
	virtual bool UserMove(server_window_id id, BPoint contentLeftTop) = 0;
	// As DisplayServer::ResizeTo; not with B_NOT_RESIZABLE, and
	// B_NOT_H_RESIZABLE / B_NOT_V_RESIZABLE keep that dimension.
	virtual bool UserResize(server_window_id id, int32 width, int32 height) = 0;
	// The close box: B_QUIT_REQUESTED; not with B_NOT_CLOSABLE.
	virtual bool UserClose(server_window_id id) = 0;
	// A click on the title bar: as DisplayServer::Activate.
	virtual bool UserActivate(server_window_id id) = 0;
	// The minimise button (true) or the task bar (false): as
	// DisplayServer::SetMinimized. Restoring works on a minimised window only.
	virtual bool UserMinimize(server_window_id id, bool minimized) = 0;
	// Another window uncovered `rect` (window coordinates): kMsgUpdate for
	// the part of it inside the window. False when nothing of it is inside.
	virtual bool UserExpose(server_window_id id, BRect rect) = 0;
	// A mouse message at `where` (window coordinates). A B_MOUSE_DOWN on an
	// inactive window activates it first, then delivers the click.
	virtual bool UserMouse(server_window_id id, uint32 what, BPoint where, uint32 buttons, uint32 modifiers,
	                       int32 clicks = 1) = 0;
	// A key message to the active window; false when no window is active.
	virtual bool UserKey(uint32 what, const std::string& bytes, uint32 modifiers = 0, int32 key = 0) = 0;

protected:
	~UserActions() = default;
};
