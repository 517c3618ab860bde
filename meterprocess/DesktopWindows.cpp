#include "DesktopWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <utility>

namespace {

// A property of 32-bit items (which Xlib hands over as longs); empty when
// the window has none of that type.
std::vector<unsigned long> Property(Display* display, Window window, const char* name, Atom type) {
	Atom actualType;
	int format;
	unsigned long count, after;
	unsigned char* data = nullptr;
	std::vector<unsigned long> items;
	if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type,
	                       &actualType, &format, &count, &after, &data) == Success &&
	    data && actualType == type && format == 32) {
		const auto* values = reinterpret_cast<const unsigned long*>(data);
		items.assign(values, values + count);
	}
	if (data) XFree(data);
	return items;
}

// A window that went between the listing and the question is an error the
// default handler would end the process for.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

} // namespace

std::optional<DesktopWindows> DesktopWindows::Open() {
	Display* display = XOpenDisplay(nullptr);
	if (!display) return std::nullopt;
	return DesktopWindows(display);
}

DesktopWindows::DesktopWindows(DesktopWindows&& other) noexcept
    : display_(std::exchange(other.display_, nullptr)) {}

DesktopWindows& DesktopWindows::operator=(DesktopWindows&& other) noexcept {
	std::swap(display_, other.display_);
	return *this;
}

DesktopWindows::~DesktopWindows() {
	if (display_) XCloseDisplay(display_);
}

std::vector<DesktopWindows::Id> DesktopWindows::Of(pid_t pid) const {
	const auto previous = XSetErrorHandler(IgnoreError);
	std::vector<Id> windows;
	for (const unsigned long window :
	     Property(display_, DefaultRootWindow(display_), "_NET_CLIENT_LIST", XA_WINDOW))
		if (const auto owner = Property(display_, window, "_NET_WM_PID", XA_CARDINAL);
		    !owner.empty() && pid_t(owner[0]) == pid)
			windows.push_back(window);
	XSync(display_, False);
	XSetErrorHandler(previous);
	return windows;
}

std::optional<DesktopWindows::Frame> DesktopWindows::FrameOf(Id window) const {
	const auto previous = XSetErrorHandler(IgnoreError);
	std::optional<Frame> frame;
	XWindowAttributes attributes;
	int x, y;
	Window child;
	if (XGetWindowAttributes(display_, window, &attributes) &&
	    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child)) {
		auto extents = Property(display_, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
		extents.resize(4, 0); // left, right, top, bottom
		frame = Frame{x - int(extents[0]), y - int(extents[2]), x + attributes.width + int(extents[1]),
		              y + attributes.height + int(extents[3])};
	}
	XSync(display_, False);
	XSetErrorHandler(previous);
	return frame;
}

std::string DesktopWindows::TitleOf(Id window) const {
	const auto previous = XSetErrorHandler(IgnoreError);
	Atom type;
	int format;
	unsigned long count, after;
	unsigned char* data = nullptr;
	std::string title;
	if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 1024, False,
	                       XInternAtom(display_, "UTF8_STRING", False), &type, &format, &count, &after,
	                       &data) == Success &&
	    data && format == 8)
		title.assign(reinterpret_cast<const char*>(data), count);
	if (data) XFree(data);
	char* name = nullptr;
	if (title.empty() && XFetchName(display_, window, &name) && name) title = name;
	if (name) XFree(name);
	XSync(display_, False);
	XSetErrorHandler(previous);
	return title;
}

DesktopWindows::Frame DesktopWindows::Screen() const {
	const int screen = DefaultScreen(display_);
	return {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

void DesktopWindows::MoveFrameTo(Id window, int left, int top) const {
	// The window manager's own move: with the north-west gravity the position
	// is the frame's, decorations included.
	XEvent event{};
	event.xclient.type = ClientMessage;
	event.xclient.window = window;
	event.xclient.message_type = XInternAtom(display_, "_NET_MOVERESIZE_WINDOW", False);
	event.xclient.format = 32;
	constexpr long kNorthWest = NorthWestGravity, kX = 1 << 8, kY = 1 << 9, kFromPager = 2 << 12;
	event.xclient.data.l[0] = kNorthWest | kX | kY | kFromPager;
	event.xclient.data.l[1] = left;
	event.xclient.data.l[2] = top;
	XSendEvent(display_, DefaultRootWindow(display_), False,
	           SubstructureRedirectMask | SubstructureNotifyMask, &event);
	XFlush(display_);
}
