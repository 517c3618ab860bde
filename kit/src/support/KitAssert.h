// The kit's check of what its callers must do, on in every build: a call the
// kit cannot honour (Quit() of a window nobody locked, a looper run twice)
// ends the process at once, naming what the caller forgot, rather than
// corrupting state that another thread still uses.
#pragma once

// Prints "kit: <whatTheCallerForgot>" and aborts.
[[noreturn]] void KitAssertionFailed(const char* whatTheCallerForgot);

// [any thread] Does nothing when `holds`; otherwise KitAssertionFailed().
inline void KitAssert(bool holds, const char* whatTheCallerForgot) {
	if (!holds) [[unlikely]]
		KitAssertionFailed(whatTheCallerForgot);
}
