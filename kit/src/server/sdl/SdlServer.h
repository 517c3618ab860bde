// The display on screen: an X display, through SDL2 (XWayland included);
// every window is a real top-level window.
//
// Threads: SDL wants video and events on one thread, so the server runs its
// own thread that owns SDL from SDL_Init to SDL_Quit. Callers hand it
// commands through a queue and wake it through an eventfd; the thread sleeps
// in poll() on that and on the X connection, so waking it costs no trip
// through the X server (SDL's own wake-up sends an X event for each one).
// Present needs no command: it puts the pixels on the window through the
// blitter's own connection on the caller's thread, and only waits, for the X
// server to draw them, when asked to. Input and window events are posted from
// the server thread to each window's messenger.
//
// Looks: the titled looks (titled, document, floating, modal) get the window
// manager's title bar and close box; B_NO_BORDER_WINDOW_LOOK with a floating
// or modal feel is a popup menu (placed exactly, above everything, no task bar
// entry, no keyboard focus); the other borderless looks are plain undecorated
// windows. Floating and modal feels keep the window above the others. A window
// is resizable unless B_NOT_RESIZABLE, or B_NOT_H_RESIZABLE and
// B_NOT_V_RESIZABLE, are set; with one of the two, that dimension is fixed.
//
// Windows gone from outside: a window that another client destroys is
// reported to its client as a click on its close box, and nothing more is
// put on it or asked of it. When the X server goes away, every window is gone
// at once and the server thread ends, with no more calls into SDL or Xlib;
// the client windows live on unseen, and the host learns of it through
// kit::DisplayLost().
//
// SDL closed when unused: on a host's request, SDL's video stops whenever the
// last window is gone and starts again for the next one, so that the thread
// is not inside SDL when the program the kit is loaded into ends SDL
// altogether (SDL_Quit) for a use of its own.
//
// Full screen: SDL's full screen on the desktop's own mode, which the window
// manager gives without decoration. The pointer is hidden while it is over a
// full-screen window: SDL shows or hides it for all its windows at once, so
// the server sets it whenever the pointer enters one of them. The frame to
// come back to is where the content belongs, though the window manager may
// not have placed it there yet when the window went full screen. Leaving
// full screen reports that frame at once and places the window there as a
// window being shown; the places it passes through on the way (the window
// manager's own idea of where it was, say) are not reported, unless the
// window is still elsewhere when the placement time is over.
//
// Frames: a frame is always the content area. The window manager places the
// decoration's corner where a window asks to be, so a window asks to be the
// decoration's size up and left of its frame (learnt from the first window
// shown), and after it is shown, a placement that missed is corrected once
// more. Only the real position is reported.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>

#include "server/DisplayServer.h"
#include "server/sdl/XBlitter.h"

union SDL_Event;
struct _XDisplay;

class SdlServer final : public DisplayServer {
public:
	// Starts the server thread and opens the display on it; null, with no
	// thread left running, when no display can be opened. The server then
	// lives for the rest of the process. [any thread]
	static SdlServer* Open();
	~SdlServer() override;

	bool IsHeadless() const override { return false; }
	server_window_id CreateWindow(const WindowAttributes& attributes, const BMessenger& client) override;
	void DestroyWindow(server_window_id id) override;
	void SetVisible(server_window_id id, bool visible) override;
	void SetMinimized(server_window_id id, bool minimized) override;
	void Activate(server_window_id id) override;
	void MoveTo(server_window_id id, BPoint contentLeftTop) override;
	void ResizeTo(server_window_id id, int32 width, int32 height) override;
	void SetTitle(server_window_id id, const std::string& title) override;
	void SetFullScreen(server_window_id id, bool fullScreen) override;
	void Present(server_window_id id, const Framebuffer& pixels, const PixelRect& area, bool wait) override;
	BRect ScreenFrame() override;
	void CloseWhenUnused(std::function<void()> closedOrInUse) override;

private:
	struct Window;
	struct Decoration {
		int left = 0;
		int top = 0;
	};

	SdlServer() = default;

	// [any thread]
	std::shared_ptr<Window> Find(server_window_id id);
	// Runs `command` on the server thread, after the commands before it.
	void Enqueue(std::function<void()> command);
	// Wakes the server thread. [fLock held]
	void Wake();
	// Enqueues a command on the window, if it exists.
	void OnWindow(server_window_id id, std::function<void(Window&)> command);

	// [server thread]
	void Loop(std::promise<bool>* opened);
	// Starts SDL's video and finds its X connection; false, with SDL's video
	// stopped again, when the display does not open.
	bool OpenSdl();
	// Stops SDL's video, which closes its connection.
	void CloseSdl();
	// Sleeps until a command is queued, the display has events, or it is time
	// to pump the display again for what SDL held back; false for the last.
	bool WaitForWork();
	void RunCommands();
	void Create(const std::shared_ptr<Window>& window, const WindowAttributes& attributes);
	void Show(Window& window);
	// Asks for the content at its target, to be corrected in Placed() once
	// the window manager has placed the window.
	void Place(Window& window);
	void Resize(Window& window, int32 width, int32 height);
	void Placed(Window& window);
	void FullScreen(Window& window, bool fullScreen);
	// Reports where the window is, unless it is on its way back from full screen.
	void ReportFrame(Window& window);
	// Tells the client of `frame` where it differs from what it last learnt.
	void Report(Window& window, BRect frame);
	void HandleEvent(const SDL_Event& event);
	void HandleWindowEvent(Window& window, const SDL_Event& event);
	void HandleKey(Window& window, const SDL_Event& event);
	void HandleDestroyed(unsigned long xWindow);
	// The X server is gone: every window is, and no command runs any more.
	void Abandon();

	int fWakeFd = -1;                   // eventfd: commands are queued
	std::unique_ptr<XBlitter> fBlitter; // made on the server thread before SDL starts
	BRect fScreen;

	// Guards the queue, the window table and fStopped.
	std::mutex fLock;
	std::deque<std::function<void()>> fCommands;
	bool fWakePending = false;
	bool fStopped = false; // no thread runs commands any more
	std::map<server_window_id, std::shared_ptr<Window>> fWindows;
	server_window_id fNextId = 1;

	// [server thread]
	std::map<uint32, std::shared_ptr<Window>> fBySdlId;
	_XDisplay* fConnection = nullptr; // SDL's X connection; null while SDL's video is stopped
	bool fCloseWhenUnused = false;
	uint64_t fPumpAgainAt = 0; // SDL ticks; 0: only when there is something new
	Decoration fDecoration;
	uint32 fButtons = 0;
};
