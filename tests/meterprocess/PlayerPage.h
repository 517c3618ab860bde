// A window of the test's own process, as a player's settings page is: its
// process named for the window manager. Xlib's headers stay in the source
// file; their macros clash with GoogleTest's.
#pragma once

struct _XDisplay;

class PlayerPage {
public:
	// Shown at once at that place, titled `title`; Open() false without a display.
	PlayerPage(const char* title, int left, int top, int width, int height);
	~PlayerPage();
	PlayerPage(const PlayerPage&) = delete;
	PlayerPage& operator=(const PlayerPage&) = delete;

	bool Open() const { return display_ != nullptr; }

private:
	_XDisplay* display_;
};
