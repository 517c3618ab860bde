// Which display server the process uses: the choice between the two, made
// once, above both.
#pragma once

#include <SupportDefs.h>

class DisplayServer;

class DisplayChoice {
public:
	// The process's display, created at first use: headless when
	// UseHeadless() was called first or when no display can be opened; on
	// screen otherwise. [any thread]
	static DisplayServer& Server();
	// Chooses the headless display with the given screen size. Only before the
	// first Server(); false afterwards (the display is already chosen). [any thread]
	static bool UseHeadless(int32 screenWidth, int32 screenHeight);
	// The screen size of the headless display Server() falls back to when no
	// display opens. Only before the first Server() and without UseHeadless();
	// false otherwise. [any thread]
	static bool SetFallbackScreen(int32 screenWidth, int32 screenHeight);
};
