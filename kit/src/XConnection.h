// The descriptor of the connection to the display a window is on, to sleep on
// until the display has events, kept apart so that X's headers stay here.
#pragma once

struct SDL_Window;

// -1 when the window is not on an X display. [the thread that owns SDL]
int DisplayDescriptor(SDL_Window* window);
