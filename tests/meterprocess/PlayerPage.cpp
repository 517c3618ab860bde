#include "PlayerPage.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

PlayerPage::PlayerPage(const char* title, int left, int top, int width, int height)
    : display_(XOpenDisplay(nullptr)) {
	if (!display_) return;
	const Window window =
	    XCreateSimpleWindow(display_, DefaultRootWindow(display_), left, top, width, height, 0, 0, 0xffffff);
	const unsigned long pid = ::getpid();
	XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
	                PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
	XStoreName(display_, window, title);
	// Where the program asks for it, not where the window manager would choose.
	XSizeHints hints{};
	hints.flags = USPosition;
	hints.x = left;
	hints.y = top;
	XSetWMNormalHints(display_, window, &hints);
	XMapWindow(display_, window);
	XFlush(display_);
}

PlayerPage::~PlayerPage() {
	if (display_) XCloseDisplay(display_);
}
