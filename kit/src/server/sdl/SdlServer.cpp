// Past 300 lines as one unit: the display thread's loop, commands and events share its one window table.
#include "server/sdl/SdlServer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <thread>

#include <SDL.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <AppDefs.h>
#include <InterfaceDefs.h>

#include "server/ServerMessages.h"
#include "server/sdl/SdlKeys.h"
#include "server/sdl/XBlitter.h"
#include "server/sdl/XConnection.h"
#include "server/sdl/XErrors.h"

namespace {

// How long after showing a window its position is still the window
// manager's placement (to be corrected) rather than the user's move.
constexpr Uint64 kPlacementMilliseconds = 1500;
constexpr int kPlacementAttempts = 2;
// A larger offset between the corner asked for and the content is the window
// manager placing the window elsewhere, not its decoration.
constexpr float kMaxDecoration = 100;
// SDL holds a window's focus change back for a while (200 ms) and passes it
// on at a later pump; the display is pumped again this long after a pump
// that followed events or commands, whether or not more come.
constexpr uint64_t kHeldBackMilliseconds = 250;

int32 Pixels(float length) { return int32(std::lround(length)) + 1; }

bool FloatsOrIsModal(window_feel feel) { return feel != B_NORMAL_WINDOW_FEEL; }

uint32 ButtonBit(Uint8 button) {
	switch (button) {
	case SDL_BUTTON_LEFT:
		return B_PRIMARY_MOUSE_BUTTON;
	case SDL_BUTTON_RIGHT:
		return B_SECONDARY_MOUSE_BUTTON;
	case SDL_BUTTON_MIDDLE:
		return B_TERTIARY_MOUSE_BUTTON;
	default:
		return 0;
	}
}

uint32 ButtonsFromState(Uint32 state) {
	uint32 buttons = 0;
	if (state & SDL_BUTTON_LMASK) buttons |= B_PRIMARY_MOUSE_BUTTON;
	if (state & SDL_BUTTON_RMASK) buttons |= B_SECONDARY_MOUSE_BUTTON;
	if (state & SDL_BUTTON_MMASK) buttons |= B_TERTIARY_MOUSE_BUTTON;
	return buttons;
}

void Post(const BMessenger& client, BMessage message) { client.SendMessage(&message); }

} // namespace

struct SdlServer::Window {
	BMessenger client;

	// Guards the two below, so that no pixels are put once the window is gone.
	std::mutex presentLock;
	unsigned long xWindow = 0; // adopted by the blitter; 0 until SDL made it
	bool gone = false;         // destroyed, or the display lost

	// Server thread only.
	SDL_Window* sdl = nullptr;
	bool destroyedOutside = false; // by another client; SDL's window stays until DestroyWindow
	bool decorated = false;
	bool visible = false;
	bool active = false;
	bool minimized = false;
	uint32 fixedDimensions = 0; // B_NOT_H_RESIZABLE and/or B_NOT_V_RESIZABLE
	BPoint target;              // where the content belongs
	BPoint asked;               // the position last asked of SDL
	Uint64 placeUntil = 0;
	int placeAttempts = 0;
	BRect reported; // the frame the client last learnt
	bool fullScreen = false;
	BRect windowed;          // where the content belongs out of full screen
	Uint64 restoreUntil = 0; // until then, on the way back from full screen
};

SdlServer* SdlServer::Open() {
	const char* x11 = std::getenv("DISPLAY");
	if (!x11 || !*x11) return nullptr;
	std::unique_ptr<SdlServer> server(new SdlServer);
	server->fWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
	if (server->fWakeFd < 0) return nullptr;
	std::promise<bool> opened;
	std::future<bool> result = opened.get_future();
	std::thread thread([raw = server.get(), &opened] { raw->Loop(&opened); });
	if (!result.get()) {
		thread.join();
		return nullptr;
	}
	// Nothing ever waits for the thread: exit may come from it.
	thread.detach();
	return server.release();
}

// Only Open() destroys a server: one whose thread never started or has ended.
SdlServer::~SdlServer() {
	if (fWakeFd >= 0) close(fWakeFd);
}

server_window_id SdlServer::CreateWindow(const WindowAttributes& attributes, const BMessenger& client) {
	auto window = std::make_shared<Window>();
	window->client = client;
	window->target = attributes.frame.LeftTop();
	window->reported = attributes.frame;
	server_window_id id;
	{
		std::lock_guard lock(fLock);
		id = fNextId++;
		fWindows[id] = window;
	}
	Enqueue([this, window, attributes] { Create(window, attributes); });
	return id;
}

void SdlServer::DestroyWindow(server_window_id id) {
	std::shared_ptr<Window> window;
	{
		std::lock_guard lock(fLock);
		auto found = fWindows.find(id);
		if (found == fWindows.end()) return;
		window = found->second;
		fWindows.erase(found);
	}
	{
		std::lock_guard lock(window->presentLock);
		window->gone = true;
	}
	Enqueue([this, window] {
		if (!window->sdl) return;
		fBlitter->Forget(window->xWindow);
		fBySdlId.erase(SDL_GetWindowID(window->sdl));
		// SDL hides a window before destroying it and waits for the X server
		// to unmap it, which never comes for one that is gone; SDL's record of
		// that one is left behind.
		if (!window->destroyedOutside) SDL_DestroyWindow(window->sdl);
		window->sdl = nullptr;
	});
}

void SdlServer::SetVisible(server_window_id id, bool visible) {
	OnWindow(id, [this, visible](Window& window) {
		if (window.visible == visible) return;
		window.visible = visible;
		if (visible)
			Show(window);
		else
			SDL_HideWindow(window.sdl);
	});
}

void SdlServer::SetMinimized(server_window_id id, bool minimized) {
	OnWindow(id, [minimized](Window& window) {
		if (minimized)
			SDL_MinimizeWindow(window.sdl);
		else
			SDL_RestoreWindow(window.sdl);
	});
}

void SdlServer::Activate(server_window_id id) {
	OnWindow(id, [](Window& window) {
		if (window.visible) SDL_RaiseWindow(window.sdl);
	});
}

void SdlServer::MoveTo(server_window_id id, BPoint contentLeftTop) {
	OnWindow(id, [this, contentLeftTop](Window& window) {
		window.target = contentLeftTop;
		if (window.visible) SDL_SetWindowPosition(window.sdl, int(contentLeftTop.x), int(contentLeftTop.y));
		ReportFrame(window);
	});
}

void SdlServer::ResizeTo(server_window_id id, int32 width, int32 height) {
	OnWindow(id, [this, width, height](Window& window) { Resize(window, width, height); });
}

void SdlServer::SetTitle(server_window_id id, const std::string& title) {
	OnWindow(id, [title](Window& window) { SDL_SetWindowTitle(window.sdl, title.c_str()); });
}

void SdlServer::SetFullScreen(server_window_id id, bool fullScreen) {
	// The promise is kept when the command is gone: run, or dropped with the display.
	struct Finished {
		std::promise<void> promise;
		~Finished() { promise.set_value(); }
	};
	auto finished = std::make_shared<Finished>();
	std::future<void> done = finished->promise.get_future();
	OnWindow(id, [this, fullScreen, finished = std::move(finished)](Window& window) {
		FullScreen(window, fullScreen);
	});
	done.wait();
}

void SdlServer::Present(server_window_id id, const Framebuffer& pixels, const PixelRect& area, bool wait) {
	std::shared_ptr<Window> window = Find(id);
	if (!window) return;
	// A window SDL has not made yet is not on the screen either; it is
	// exposed, and so drawn again, once it is.
	std::lock_guard lock(window->presentLock);
	if (window->gone || window->xWindow == 0) return;
	if (fBlitter->Put(window->xWindow, pixels, area, wait)) CountFrameShown();
}

BRect SdlServer::ScreenFrame() { return fScreen; }

std::shared_ptr<SdlServer::Window> SdlServer::Find(server_window_id id) {
	std::lock_guard lock(fLock);
	auto found = fWindows.find(id);
	return found == fWindows.end() ? nullptr : found->second;
}

void SdlServer::Enqueue(std::function<void()> command) {
	std::lock_guard lock(fLock);
	if (fStopped) return;
	fCommands.push_back(std::move(command));
	if (fWakePending) return;
	fWakePending = true;
	Wake();
}

void SdlServer::Wake() {
	const uint64_t one = 1;
	// Only a full counter (never, at one per batch of commands) refuses the write.
	[[maybe_unused]] const ssize_t written = write(fWakeFd, &one, sizeof one);
}

void SdlServer::OnWindow(server_window_id id, std::function<void(Window&)> command) {
	std::shared_ptr<Window> window = Find(id);
	if (!window) return;
	Enqueue([window, command = std::move(command)] {
		if (window->sdl && !window->destroyedOutside) command(*window);
	});
}

void SdlServer::Loop(std::promise<bool>* opened) {
	// Before any connection opens, so that SDL's X error handler, installed
	// when SDL starts, passes what it does not want on to these.
	XErrors::Install();
	// Pixels go to the screen through the blitter's own X connection.
	fBlitter = XBlitter::Open();
	if (!fBlitter || !OpenSdl()) {
		opened->set_value(false);
		return;
	}
	opened->set_value(true);
	SDL_Event event;
	while (!XErrors::DisplayLost()) {
		const bool woken = WaitForWork();
		if (XErrors::DisplayLost()) break;
		RunCommands();
		// Polling pumps the display after the commands, so that what they
		// read from the X connection is handled before sleeping on it again.
		while (fConnection && SDL_PollEvent(&event))
			HandleEvent(event);
		// Counted from the pump that may have taken a focus change in.
		fPumpAgainAt = woken && fConnection ? SDL_GetTicks64() + kHeldBackMilliseconds : 0;
		if (fCloseWhenUnused && fBySdlId.empty()) CloseSdl();
	}
	// SDL would only meet the lost connection again (and its second
	// connection, which SDL_Quit closes, ends the process on that). What SDL
	// keeps for this thread alone would be lost with it, though.
	Abandon();
	SDL_TLSCleanup();
}

bool SdlServer::OpenSdl() {
	SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
	SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
	SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
	// A click on an inactive window activates it and is a click in it too;
	// SDL would drop a click that comes within a few milliseconds of the focus.
	SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
	if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
	SDL_Rect bounds;
	// SDL names its connection only through a window; a hidden one, never
	// seen by the window manager, serves.
	if (SDL_GetDisplayBounds(0, &bounds) == 0)
		if (SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN)) {
			fConnection = XConnectionOf(probe);
			SDL_DestroyWindow(probe);
		}
	if (!fConnection) {
		SDL_QuitSubSystem(SDL_INIT_VIDEO);
		return false;
	}
	fScreen = BRect(0, 0, float(bounds.w - 1), float(bounds.h - 1));
	XErrors::Survive(fConnection);
	// The raw X events, for the destruction of a window by another client,
	// which SDL does not report.
	SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
	return true;
}

void SdlServer::CloseSdl() {
	if (!fConnection) return;
	XErrors::Forget(fConnection);
	fConnection = nullptr;
	fPumpAgainAt = 0;
	SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlServer::CloseWhenUnused(std::function<void()> closedOrInUse) {
	Enqueue([this, closedOrInUse = std::move(closedOrInUse)] {
		fCloseWhenUnused = true;
		if (fBySdlId.empty()) CloseSdl();
		closedOrInUse();
	});
}

bool SdlServer::WaitForWork() {
	int timeout = -1;
	if (fPumpAgainAt != 0) {
		const uint64_t now = SDL_GetTicks64();
		timeout = fPumpAgainAt > now ? int(fPumpAgainAt - now) : 0;
	}
	// SDL's last pump may have read events in passing (answering a query of
	// its own) after it last took what was queued.
	if (fConnection && HasQueuedEvents(fConnection)) timeout = 0;
	// A negative descriptor is left out while SDL is closed.
	pollfd descriptors[2] = {{fWakeFd, POLLIN, 0}, {fConnection ? DescriptorOf(fConnection) : -1, POLLIN, 0}};
	int ready;
	while ((ready = poll(descriptors, 2, timeout)) < 0 && errno == EINTR) {
	}
	if (descriptors[0].revents & POLLIN) {
		uint64_t wakes = 0;
		[[maybe_unused]] const ssize_t drained = read(fWakeFd, &wakes, sizeof wakes);
	}
	return ready > 0;
}

void SdlServer::RunCommands() {
	std::deque<std::function<void()>> commands;
	{
		std::lock_guard lock(fLock);
		commands.swap(fCommands);
		fWakePending = false;
	}
	for (auto& command : commands)
		command();
}

void SdlServer::Create(const std::shared_ptr<Window>& shared, const WindowAttributes& attributes) {
	Window& window = *shared;
	if (!fConnection && !OpenSdl()) return;
	const bool borderless =
	    attributes.look == B_NO_BORDER_WINDOW_LOOK || attributes.look == B_BORDERED_WINDOW_LOOK;
	Uint32 flags = SDL_WINDOW_HIDDEN;
	if (attributes.look == B_NO_BORDER_WINDOW_LOOK && FloatsOrIsModal(attributes.feel))
		flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_BORDERLESS;
	else if (borderless)
		flags |= SDL_WINDOW_BORDERLESS;
	if (FloatsOrIsModal(attributes.feel)) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
	window.fixedDimensions = attributes.flags & (B_NOT_H_RESIZABLE | B_NOT_V_RESIZABLE);
	if (attributes.flags & B_NOT_RESIZABLE) window.fixedDimensions = B_NOT_H_RESIZABLE | B_NOT_V_RESIZABLE;
	if (window.fixedDimensions != (B_NOT_H_RESIZABLE | B_NOT_V_RESIZABLE)) flags |= SDL_WINDOW_RESIZABLE;
	window.decorated = !borderless;

	const Decoration offset = window.decorated ? fDecoration : Decoration{};
	window.sdl = SDL_CreateWindow(attributes.title.c_str(), int(attributes.frame.left) - offset.left,
	                              int(attributes.frame.top) - offset.top, Pixels(attributes.frame.Width()),
	                              Pixels(attributes.frame.Height()), flags);
	if (!window.sdl) return;
	fBySdlId[SDL_GetWindowID(window.sdl)] = shared;
	const unsigned long xWindow = fBlitter->Adopt(window.sdl);
	{
		std::lock_guard lock(window.presentLock);
		window.xWindow = xWindow;
	}
	Resize(window, Pixels(attributes.frame.Width()), Pixels(attributes.frame.Height()));
}

void SdlServer::Show(Window& window) {
	Place(window);
	SDL_ShowWindow(window.sdl);
	SDL_RaiseWindow(window.sdl);
}

void SdlServer::Place(Window& window) {
	// A window that has not been on screen yet does not know its decoration,
	// so it asks for the content position less the decoration learnt from
	// other windows; SDL compensates by itself once the window knows it.
	int top = 0;
	int left = 0;
	SDL_GetWindowBordersSize(window.sdl, &top, &left, nullptr, nullptr);
	const Decoration offset = window.decorated && top == 0 && left == 0 ? fDecoration : Decoration{};
	window.asked = window.target - BPoint(float(offset.left), float(offset.top));
	SDL_SetWindowPosition(window.sdl, int(window.asked.x), int(window.asked.y));
	window.placeUntil = SDL_GetTicks64() + kPlacementMilliseconds;
	window.placeAttempts = kPlacementAttempts;
}

void SdlServer::Resize(Window& window, int32 width, int32 height) {
	width = std::clamp(width, int32(1), kMaxWindowSize);
	height = std::clamp(height, int32(1), kMaxWindowSize);
	// A window fixed in one dimension stays resizable in the other.
	if (window.fixedDimensions == B_NOT_H_RESIZABLE) {
		SDL_SetWindowMinimumSize(window.sdl, width, 1);
		SDL_SetWindowMaximumSize(window.sdl, width, kMaxWindowSize);
	} else if (window.fixedDimensions == B_NOT_V_RESIZABLE) {
		SDL_SetWindowMinimumSize(window.sdl, 1, height);
		SDL_SetWindowMaximumSize(window.sdl, kMaxWindowSize, height);
	}
	SDL_SetWindowSize(window.sdl, width, height);
	ReportFrame(window);
}

void SdlServer::Placed(Window& window) {
	int x = 0;
	int y = 0;
	SDL_GetWindowPosition(window.sdl, &x, &y);
	const BPoint where{float(x), float(y)};
	if (window.placeAttempts > 0 && SDL_GetTicks64() < window.placeUntil) {
		int top = 0;
		int left = 0;
		SDL_GetWindowBordersSize(window.sdl, &top, &left, nullptr, nullptr);
		const bool sdlKnowsDecoration = top > 0 || left > 0;
		if (window.decorated && sdlKnowsDecoration) fDecoration = {left, top};
		if (where == window.target) {
			window.placeAttempts = 0;
		} else if (sdlKnowsDecoration) {
			// The window manager put the decoration where the content should
			// be; now that SDL knows the decoration, its move is exact.
			window.placeAttempts = 0;
			SDL_SetWindowPosition(window.sdl, int(window.target.x), int(window.target.y));
		} else {
			// SDL does not know the decoration yet: take it from where the
			// content landed relative to the corner asked for.
			const BPoint decoration = where - window.asked;
			window.placeAttempts--;
			if (window.decorated && decoration.x >= 0 && decoration.y >= 0 &&
			    decoration.x <= kMaxDecoration && decoration.y <= kMaxDecoration) {
				fDecoration = {int(decoration.x), int(decoration.y)};
				window.asked = window.target - decoration;
			} else {
				window.asked = window.target;
			}
			SDL_SetWindowPosition(window.sdl, int(window.asked.x), int(window.asked.y));
		}
	} else {
		window.target = where;
	}
	ReportFrame(window);
}

void SdlServer::FullScreen(Window& window, bool fullScreen) {
	if (window.fullScreen == fullScreen) return;
	window.fullScreen = fullScreen;
	if (SDL_GetMouseFocus() == window.sdl) SDL_ShowCursor(fullScreen ? SDL_DISABLE : SDL_ENABLE);
	if (fullScreen) {
		// Where the content belongs, even if the window manager has not
		// put it there yet; that placement is done on the way back.
		window.windowed = window.reported;
		window.windowed.OffsetTo(window.target);
		window.restoreUntil = 0;
		window.placeAttempts = 0;
		SDL_SetWindowFullscreen(window.sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
		return;
	}
	SDL_SetWindowFullscreen(window.sdl, 0);
	const BRect& windowed = window.windowed;
	window.target = windowed.LeftTop();
	SDL_SetWindowSize(window.sdl, Pixels(windowed.Width()), Pixels(windowed.Height()));
	Place(window);
	window.restoreUntil = window.placeUntil;
	Report(window, windowed);
}

void SdlServer::ReportFrame(Window& window) {
	int x = int(window.target.x);
	int y = int(window.target.y);
	// A hidden window is where it will appear; SDL's idea of its position
	// may still include the decoration.
	if (window.visible) SDL_GetWindowPosition(window.sdl, &x, &y);
	int width = 0;
	int height = 0;
	SDL_GetWindowSize(window.sdl, &width, &height);
	const BRect frame(float(x), float(y), float(x + width - 1), float(y + height - 1));
	if (window.restoreUntil != 0) {
		if (frame != window.windowed && SDL_GetTicks64() < window.restoreUntil) return;
		window.restoreUntil = 0;
	}
	Report(window, frame);
}

void SdlServer::Report(Window& window, BRect frame) {
	BRect& reported = window.reported;
	if (frame.LeftTop() != reported.LeftTop()) {
		reported.OffsetTo(frame.LeftTop());
		Post(window.client, server_message::Moved(reported.LeftTop()));
	}
	const int32 oldWidth = Pixels(reported.Width());
	const int32 oldHeight = Pixels(reported.Height());
	const int32 width = Pixels(frame.Width());
	const int32 height = Pixels(frame.Height());
	if (width == oldWidth && height == oldHeight) return;
	reported.right = reported.left + float(width - 1);
	reported.bottom = reported.top + float(height - 1);
	Post(window.client, server_message::Resized(width, height));
	if (width > oldWidth || height > oldHeight)
		Post(window.client, server_message::Update(BRect(0, 0, float(width - 1), float(height - 1))));
}

void SdlServer::HandleEvent(const SDL_Event& event) {
	Uint32 sdlId = 0;
	switch (event.type) {
	case SDL_SYSWMEVENT:
		if (const unsigned long xWindow = DestroyedWindow(*event.syswm.msg)) HandleDestroyed(xWindow);
		return;
	case SDL_WINDOWEVENT:
		sdlId = event.window.windowID;
		break;
	case SDL_MOUSEBUTTONDOWN:
	case SDL_MOUSEBUTTONUP:
		sdlId = event.button.windowID;
		break;
	case SDL_MOUSEMOTION:
		sdlId = event.motion.windowID;
		break;
	case SDL_KEYDOWN:
	case SDL_KEYUP:
		sdlId = event.key.windowID;
		break;
	default:
		return;
	}
	auto found = fBySdlId.find(sdlId);
	if (found == fBySdlId.end()) return;
	Window& window = *found->second;
	const uint32 modifiers = ModifiersFromSdl(uint16(SDL_GetModState()));
	switch (event.type) {
	case SDL_WINDOWEVENT:
		HandleWindowEvent(window, event);
		break;
	case SDL_MOUSEBUTTONDOWN:
	case SDL_MOUSEBUTTONUP: {
		const uint32 bit = ButtonBit(event.button.button);
		if (!bit) return;
		const bool down = event.type == SDL_MOUSEBUTTONDOWN;
		fButtons = down ? fButtons | bit : fButtons & ~bit;
		Post(window.client, server_message::Mouse(down ? B_MOUSE_DOWN : B_MOUSE_UP,
		                                          BPoint(float(event.button.x), float(event.button.y)),
		                                          fButtons, modifiers, event.button.clicks));
		break;
	}
	case SDL_MOUSEMOTION:
		Post(window.client,
		     server_message::Mouse(B_MOUSE_MOVED, BPoint(float(event.motion.x), float(event.motion.y)),
		                           ButtonsFromState(event.motion.state), modifiers, 0));
		break;
	default:
		HandleKey(window, event);
		break;
	}
}

void SdlServer::HandleWindowEvent(Window& window, const SDL_Event& event) {
	switch (event.window.event) {
	case SDL_WINDOWEVENT_MOVED:
		Placed(window);
		break;
	case SDL_WINDOWEVENT_SIZE_CHANGED:
		ReportFrame(window);
		break;
	case SDL_WINDOWEVENT_EXPOSED: {
		int width = 0;
		int height = 0;
		SDL_GetWindowSize(window.sdl, &width, &height);
		Post(window.client, server_message::Update(BRect(0, 0, float(width - 1), float(height - 1))));
		break;
	}
	case SDL_WINDOWEVENT_FOCUS_GAINED:
	case SDL_WINDOWEVENT_FOCUS_LOST: {
		const bool active = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
		if (window.active == active) break;
		window.active = active;
		Post(window.client, server_message::Activated(active));
		break;
	}
	case SDL_WINDOWEVENT_MINIMIZED:
	case SDL_WINDOWEVENT_RESTORED: {
		const bool minimized = event.window.event == SDL_WINDOWEVENT_MINIMIZED;
		if (window.minimized == minimized) break;
		window.minimized = minimized;
		Post(window.client, server_message::Minimize(minimized));
		break;
	}
	case SDL_WINDOWEVENT_ENTER:
		// SDL hides the pointer over all its windows or none.
		SDL_ShowCursor(window.fullScreen ? SDL_DISABLE : SDL_ENABLE);
		break;
	case SDL_WINDOWEVENT_CLOSE:
		window.client.SendMessage(B_QUIT_REQUESTED);
		break;
	default:
		break;
	}
}

void SdlServer::HandleKey(Window& window, const SDL_Event& event) {
	const SDL_Keysym& key = event.key.keysym;
	// X delivers the text a key typed as a separate event right behind its
	// key-down; both are already queued when the key-down is taken.
	std::string text;
	SDL_Event next;
	if (event.type == SDL_KEYDOWN &&
	    SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
	    next.type == SDL_TEXTINPUT &&
	    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1)
		text = next.text.text;
	const std::string bytes = KeyBytes(key.sym, key.mod, text.empty() ? nullptr : text.c_str());
	if (bytes.empty()) return;
	Post(window.client,
	     server_message::Key(event.type == SDL_KEYDOWN ? B_KEY_DOWN : B_KEY_UP, bytes, int32(key.scancode),
	                         RawChar(key.sym, bytes), ModifiersFromSdl(key.mod)));
}

void SdlServer::HandleDestroyed(unsigned long xWindow) {
	auto found = std::find_if(fBySdlId.begin(), fBySdlId.end(),
	                          [xWindow](const auto& entry) { return entry.second->xWindow == xWindow; });
	if (found == fBySdlId.end()) return;
	const std::shared_ptr<Window> shared = found->second;
	Window& window = *shared;
	// What SDL still reports of the window would only lead to asking about it.
	fBySdlId.erase(found);
	window.destroyedOutside = true;
	fBlitter->Forget(xWindow);
	{
		std::lock_guard lock(window.presentLock);
		window.xWindow = 0;
	}
	window.client.SendMessage(B_QUIT_REQUESTED);
}

void SdlServer::Abandon() {
	std::map<server_window_id, std::shared_ptr<Window>> windows;
	{
		std::lock_guard lock(fLock);
		fStopped = true;
		fCommands.clear();
		windows = fWindows;
	}
	for (auto& [id, window] : windows) {
		std::lock_guard lock(window->presentLock);
		window->gone = true;
	}
}
