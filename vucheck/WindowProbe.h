// Finding the add-on's windows from the check's thread without touching a
// window that may be gone: titles are read under the window's lock, which
// the kit refuses for a window that has quit.
#pragma once

#include <OS.h>

class BWindow;

namespace WindowProbe {

// [any thread but a window's own] Every call.
// How many live windows have a title ending in `suffix`.
int CountTitledEndingIn(const char* suffix);
// The first live window whose title ends in `suffix`, or null. The caller
// must know that the window stays alive while it uses the pointer.
BWindow* FindEndingIn(const char* suffix);
// Polls for a window titled exactly `title`; null after the timeout.
BWindow* WaitFor(const char* title, bigtime_t timeout = 2000000);
// Polls until no window is titled exactly `title`; false after the timeout.
bool WaitUntilGone(const char* title, bigtime_t timeout = 2000000);

} // namespace WindowProbe
