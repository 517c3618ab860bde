// Waiting for a kit window to be where the X server shows it.
#pragma once

#include <cstring>
#include <string>

#include <Window.h>

#include "support/OnScreen.h"

// Waits until the X server shows the window's content at its frame and the
// window is active, so that the first click is not spent on activating it.
inline bool WaitUntilPlaced(BWindow* window, const char* title) {
	return Eventually([&] {
		const std::string id =
		    Shell(std::string("xdotool search --name '^") + title + "$' 2>/dev/null | head -1");
		if (id.empty()) return false;
		const std::string info = Shell("xwininfo -id " + id);
		auto number = [&](const char* label) {
			const size_t at = info.find(label);
			return at == std::string::npos ? -1.0f : std::stof(info.substr(at + std::strlen(label)));
		};
		if (!window->Lock()) return false;
		const BPoint leftTop = window->Frame().LeftTop();
		const bool active = window->IsActive();
		window->Unlock();
		return active && number("Absolute upper-left X:") == leftTop.x &&
		       number("Absolute upper-left Y:") == leftTop.y;
	});
}
