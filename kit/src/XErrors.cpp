#include "XErrors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler gPrevious = nullptr;

int Handle(Display* display, XErrorEvent* error) {
	if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
	return gPrevious ? gPrevious(display, error) : 0;
}

}  // namespace

void IgnoreStaleWindowErrors() {
	XErrorHandler previous = XSetErrorHandler(Handle);
	if (previous != Handle) gPrevious = previous;
}
