// kit/Display.h: the host's and the tests' hold on the display.
#include <AppDefs.h>
#include <Messenger.h>
#include <Window.h>
#include <kit/Display.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>

#include "app/LooperRegistry.h"
#include "interface/WindowAccess.h"
#include "interface/WindowData.h"
#include "server/DisplayChoice.h"
#include "server/ServerMessages.h"
#include "server/UserActions.h"
#include "server/sdl/XErrors.h"

namespace {

thread_local std::string tUntitledName;

std::mutex gWindowsLock;
// Never destroyed: a window's thread may still be unregistering it while the
// process runs its exit-time destructors.
std::vector<BWindow*>& gWindows = *new std::vector<BWindow*>;

UserActions* SimulatedUser() { return DisplayChoice::Server().SimulatedUser(); }

bool Post(BWindow* window, BMessage message) {
	BMessenger messenger(window);
	return messenger.SendMessage(&message) == B_OK && kit::WaitForIdle(window);
}

bool Settle(BWindow* window, bool accepted) { return accepted && kit::WaitForIdle(window); }

} // namespace

server_window_id WindowAccess::ServerId(BWindow* window) { return window->fData->serverId; }

const Framebuffer& WindowAccess::Pixels(BWindow* window) { return window->fData->pixels; }

void WindowAccess::SetObserver(BView* view, kit::DrawingObserver* observer) { view->fObserver = observer; }

void WindowAccess::Register(BWindow* window) {
	std::lock_guard guard(gWindowsLock);
	gWindows.push_back(window);
}

void WindowAccess::Unregister(BWindow* window) {
	std::lock_guard guard(gWindowsLock);
	std::erase(gWindows, window);
}

std::vector<BWindow*> WindowAccess::All() {
	std::lock_guard guard(gWindowsLock);
	return gWindows;
}

const std::string& WindowAccess::UntitledName() { return tUntitledName; }

void kit::NameUntitledWindows(const char* name) { tUntitledName = name ? name : ""; }

bool kit::SetFullScreen(BWindow* window, bool fullScreen) {
	if (!BMessenger(window).IsValid()) return false;
	DisplayChoice::Server().SetFullScreen(WindowAccess::ServerId(window), fullScreen);
	return WaitForIdle(window);
}

bool kit::UseHeadlessDisplay(int32 screenWidth, int32 screenHeight) {
	return DisplayChoice::UseHeadless(screenWidth, screenHeight);
}

bool kit::SetFallbackScreenSize(int32 screenWidth, int32 screenHeight) {
	return DisplayChoice::SetFallbackScreen(screenWidth, screenHeight);
}

bool kit::IsHeadlessDisplay() { return DisplayChoice::Server().IsHeadless(); }

bool kit::DisplayLost() { return XErrors::DisplayLost(); }

int64 kit::FramesShown() { return DisplayChoice::Server().FramesShown(); }

bool kit::CloseDisplayWhenUnused(bigtime_t timeout) {
	auto done = std::make_shared<std::promise<void>>();
	std::future<void> closed = done->get_future();
	DisplayChoice::Server().CloseWhenUnused([done] { done->set_value(); });
	return closed.wait_for(std::chrono::microseconds(timeout)) == std::future_status::ready;
}

std::vector<BWindow*> kit::Windows() { return WindowAccess::All(); }

BWindow* kit::FindWindow(const char* title) {
	std::lock_guard guard(gWindowsLock);
	for (BWindow* window : gWindows)
		if (title && std::strcmp(window->Title(), title) == 0) return window;
	return nullptr;
}

bool kit::MouseDown(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers, int32 clicks) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserMouse(WindowAccess::ServerId(window), B_MOUSE_DOWN, where, buttons,
		                                      modifiers, clicks));
	return Post(window, server_message::Mouse(B_MOUSE_DOWN, where, buttons, modifiers, clicks));
}

bool kit::MouseUp(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers) {
	if (UserActions* user = SimulatedUser())
		return Settle(window,
		              user->UserMouse(WindowAccess::ServerId(window), B_MOUSE_UP, where, buttons, modifiers));
	return Post(window, server_message::Mouse(B_MOUSE_UP, where, buttons, modifiers, 0));
}

bool kit::MouseMove(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserMouse(WindowAccess::ServerId(window), B_MOUSE_MOVED, where, buttons,
		                                      modifiers));
	return Post(window, server_message::Mouse(B_MOUSE_MOVED, where, buttons, modifiers, 0));
}

bool kit::Click(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers) {
	return MouseDown(window, where, buttons, modifiers) && MouseUp(window, where, 0, modifiers);
}

bool kit::TypeKey(BWindow* window, const char* bytes, uint32 modifiers, int32 key) {
	if (!bytes) return false;
	const int32 raw = uint8(bytes[0]);
	return Post(window, server_message::Key(B_KEY_DOWN, bytes, key, raw, modifiers)) &&
	       Post(window, server_message::Key(B_KEY_UP, bytes, key, raw, modifiers));
}

bool kit::CloseBox(BWindow* window) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserClose(WindowAccess::ServerId(window)));
	return Post(window, BMessage(B_QUIT_REQUESTED));
}

bool kit::UserResize(BWindow* window, float width, float height) {
	const int32 w = int32(std::clamp(width, 0.0f, float(kMaxWindowSize - 1))) + 1;
	const int32 h = int32(std::clamp(height, 0.0f, float(kMaxWindowSize - 1))) + 1;
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserResize(WindowAccess::ServerId(window), w, h));
	DisplayChoice::Server().ResizeTo(WindowAccess::ServerId(window), w, h);
	return WaitForIdle(window);
}

bool kit::UserMove(BWindow* window, BPoint where) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserMove(WindowAccess::ServerId(window), where));
	DisplayChoice::Server().MoveTo(WindowAccess::ServerId(window), where);
	return WaitForIdle(window);
}

bool kit::UserActivate(BWindow* window) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserActivate(WindowAccess::ServerId(window)));
	DisplayChoice::Server().Activate(WindowAccess::ServerId(window));
	return WaitForIdle(window);
}

bool kit::UserMinimize(BWindow* window, bool minimized) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserMinimize(WindowAccess::ServerId(window), minimized));
	DisplayChoice::Server().SetMinimized(WindowAccess::ServerId(window), minimized);
	return WaitForIdle(window);
}

bool kit::Expose(BWindow* window, BRect rect) {
	if (UserActions* user = SimulatedUser())
		return Settle(window, user->UserExpose(WindowAccess::ServerId(window), rect));
	return Post(window, server_message::Update(rect));
}

bool kit::WaitForIdle(BLooper* looper, bigtime_t timeout) {
	// A looper already waiting for work needs no probe; hosts ask before
	// every audio block.
	if (const std::shared_ptr<LooperPort> port = LooperRegistry::Get().PortFor(looper); port && port->Idle())
		return true;
	BMessenger messenger(looper);
	if (!messenger.IsValid()) return false;
	sem_id idle = create_sem(0, "idle probe");
	BMessage probe(kIdleProbe);
	probe.AddInt32(kIdleProbeSemaphore, idle);
	bool settled = messenger.SendMessage(&probe) == B_OK;
	if (settled) {
		// Poll the messenger too: a looper that quits drops the probe.
		const bigtime_t deadline = system_time() + timeout;
		status_t status;
		do {
			status = acquire_sem_etc(idle, 1, B_TIMEOUT, 20000);
		} while (status == B_TIMED_OUT && messenger.IsValid() && system_time() < deadline);
		settled = status == B_OK;
	}
	delete_sem(idle);
	return settled;
}

bool kit::ReadPixels(BWindow* window, std::vector<rgb_color>* pixels, int32* width, int32* height) {
	uint64 version = 0;
	return ReadPixels(window, pixels, width, height, &version);
}

bool kit::ReadPixels(BWindow* window, std::vector<rgb_color>* pixels, int32* width, int32* height,
                     uint64* version) {
	return LendPixels(window, version, [&](const rgb_color* lent, int32 lentWidth, int32 lentHeight) {
		*width = lentWidth;
		*height = lentHeight;
		pixels->assign(lent, lent + size_t(lentWidth) * size_t(lentHeight));
	});
}

bool kit::LendPixels(BWindow* window, uint64* version,
                     const std::function<void(const rgb_color* pixels, int32 width, int32 height)>& use) {
	if (!window->Lock()) return false;
	const Framebuffer& buffer = WindowAccess::Pixels(window);
	if (*version == 0 || buffer.Version() != *version) {
		*version = buffer.Version();
		use(buffer.Row(0), buffer.Width(), buffer.Height());
	}
	window->Unlock();
	return true;
}

rgb_color kit::PixelAt(BWindow* window, int32 x, int32 y) {
	rgb_color color = {0, 0, 0, 0};
	if (!window->Lock()) return color;
	color = WindowAccess::Pixels(window).PixelAt(x, y);
	window->Unlock();
	return color;
}

bool kit::SavePng(BWindow* window, const char* path, std::string* error) {
	if (!window->Lock()) {
		if (error) *error = "the window is gone";
		return false;
	}
	const bool written = WindowAccess::Pixels(window).WritePng(path, error);
	window->Unlock();
	return written;
}
