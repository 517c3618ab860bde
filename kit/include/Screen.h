// The screen the windows are on. There is one screen, the main one; its frame
// comes from the display and has left and top 0.
#pragma once

#include "InterfaceDefs.h"
#include "Rect.h"

class BE_EXPORT BScreen {
public:
	explicit BScreen(screen_id id = B_MAIN_SCREEN_ID);

	// True for the main screen. [any thread]
	bool IsValid() const;
	// The screen's frame: 0, 0, width - 1, height - 1; an invalid rectangle
	// for a screen that is not valid. [any thread]
	BRect Frame() const;

private:
	screen_id fId;
};
