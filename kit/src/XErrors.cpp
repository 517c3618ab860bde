#include "XErrors.h"

#include <atomic>

#include <X11/Xlib.h>
#include <X11/Xlibint.h>

namespace {

std::atomic<bool> gLost{false};

int IgnoreProtocolError(Display*, XErrorEvent*) { return 0; }

int MarkLost(Display*) {
	gLost.store(true, std::memory_order_release);
	return 0;
}

// Xlib unlocks the display for the handlers, as the process would end in
// them; the call that met the error unlocks it again once they return.
void KeepRunning(Display* display, void*) { LockDisplay(display); }

} // namespace

void XErrors::Install() {
	XSetErrorHandler(IgnoreProtocolError);
	XSetIOErrorHandler(MarkLost);
}

void XErrors::Survive(Display* display) { XSetIOErrorExitHandler(display, KeepRunning, nullptr); }

bool XErrors::DisplayLost() { return gLost.load(std::memory_order_acquire); }
