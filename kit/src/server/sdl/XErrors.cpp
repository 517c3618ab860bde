#include "server/sdl/XErrors.h"

#include <atomic>

#include <X11/Xlib.h>
#include <X11/Xlibint.h>

namespace {

std::atomic<bool> gLost{false};
// The connection the display thread has open; any other is the host's (a
// toolkit's in the same process), whose errors go to the handlers it had.
std::atomic<Display*> gOurs{nullptr};
XErrorHandler gPreviousError = nullptr;
XIOErrorHandler gPreviousIoError = nullptr;

int OnProtocolError(Display* display, XErrorEvent* event) {
	if (display == gOurs.load(std::memory_order_acquire) || !gPreviousError) return 0;
	return gPreviousError(display, event);
}

int OnIoError(Display* display) {
	if (display != gOurs.load(std::memory_order_acquire) && gPreviousIoError)
		return gPreviousIoError(display);
	gLost.store(true, std::memory_order_release);
	return 0;
}

// Xlib unlocks the display for the handlers, as the process would end in
// them; the call that met the error unlocks it again once they return.
void KeepRunning(Display* display, void*) { LockDisplay(display); }

} // namespace

void XErrors::Install() {
	static bool installed = false;
	if (installed) return;
	installed = true;
	gPreviousError = XSetErrorHandler(OnProtocolError);
	gPreviousIoError = XSetIOErrorHandler(OnIoError);
}

void XErrors::Survive(Display* display) {
	gOurs.store(display, std::memory_order_release);
	XSetIOErrorExitHandler(display, KeepRunning, nullptr);
}

void XErrors::Forget(Display* display) {
	Display* expected = display;
	gOurs.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

bool XErrors::DisplayLost() { return gLost.load(std::memory_order_acquire); }
