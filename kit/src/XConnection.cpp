#include "DisplayDescriptor.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

int DisplayDescriptor(SDL_Window* window) {
	SDL_SysWMinfo info;
	SDL_VERSION(&info.version);
	if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return -1;
	return XConnectionNumber(info.info.x11.display);
}
