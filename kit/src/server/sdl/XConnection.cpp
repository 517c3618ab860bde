#include "server/sdl/XConnection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

_XDisplay* XConnectionOf(SDL_Window* window) {
	SDL_SysWMinfo info;
	SDL_VERSION(&info.version);
	if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
	return info.info.x11.display;
}

int DescriptorOf(_XDisplay* display) { return XConnectionNumber(display); }

bool HasQueuedEvents(_XDisplay* display) { return XEventsQueued(display, QueuedAlready) > 0; }

unsigned long DestroyedWindow(const SDL_SysWMmsg& message) {
	if (message.subsystem != SDL_SYSWM_X11 || message.msg.x11.event.type != DestroyNotify) return 0;
	return message.msg.x11.event.xdestroywindow.window;
}
