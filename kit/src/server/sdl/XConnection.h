// The X connection SDL's windows are on, as the display thread sleeps on
// it, and the raw X events SDL passes on, kept apart so that X's headers
// stay here.
//
// [the thread that owns SDL]
#pragma once

struct SDL_Window;
struct SDL_SysWMmsg;
struct _XDisplay;

// The connection `window` is on; null when it is not on an X display.
_XDisplay* XConnectionOf(SDL_Window* window);
// Its descriptor, readable when the X server has sent something.
int DescriptorOf(_XDisplay* display);
// Whether events already read from the connection wait to be taken: the
// descriptor says nothing of those.
bool HasQueuedEvents(_XDisplay* display);
// The window an X event says was destroyed; 0 for any other event.
unsigned long DestroyedWindow(const SDL_SysWMmsg& message);
