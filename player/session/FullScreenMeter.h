// --fullscreen: the first add-on's meter window fills the screen for as long
// as that add-on runs.
#pragma once

#include <string>

#include "host/Expected.h"

class BWindow;

// An add-on saves its meter window's frame in Cleanup; a full-screen frame
// saved would open the window over the whole screen next time, with or
// without --fullscreen. So the window is put back at its frame before the
// add-on is stopped, and shows there for the moment until Cleanup closes it.
//
// [player thread] Every call.
class FullScreenMeter {
public:
	FullScreenMeter() = default;
	FullScreenMeter(const FullScreenMeter&) = delete;
	FullScreenMeter& operator=(const FullScreenMeter&) = delete;

	// Makes `window` fill the screen and waits until it does. Fails with one
	// line naming `addon` when there is no window or the display does not
	// make it fill the screen within a few seconds.
	Expected<void> Enter(BWindow* window, const std::string& addon);
	// Puts the window back at the frame it had; before its add-on's Cleanup.
	// Nothing after the first call, or without Enter.
	void Leave();
	// The window filling the screen; null when none does.
	const BWindow* Window() const { return window_; }

private:
	BWindow* window_ = nullptr; // the add-on's; valid until Leave, which comes before the add-on stops
};
