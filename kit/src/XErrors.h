// Keeps a harmless X protocol error from ending the process.
#pragma once

// SDL wakes its event loop from other threads by sending an event to one of
// its windows; when that window has just been destroyed the X server answers
// BadWindow, and Xlib's default handler would exit. From this call on, such
// errors are ignored; every other error goes to the handler that was there
// before. SDL_Init puts its own handler in front, which passes errors on to
// this one, and SDL_Quit puts this one back before closing its connections,
// where the answers to the last wake-ups arrive. [display server thread,
// before SDL_Init]
void IgnoreStaleWindowErrors();
