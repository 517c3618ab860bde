#include "session/FullScreenMeter.h"

#include <OS.h>
#include <Screen.h>
#include <Window.h>
#include <kit/Display.h>

namespace {

// A window manager answers within milliseconds; a slow machine under load
// may take a second or two.
constexpr bigtime_t kAnswerTimeout = 5000000;
constexpr bigtime_t kPoll = 2000;

} // namespace

bool FullScreenMeter::Enter(BWindow* window, const std::string& addon, std::string& error) {
	if (!window) {
		error = "--fullscreen: " + addon + " opened no meter window";
		return false;
	}
	if (!kit::SetFullScreen(window, true)) {
		error = "--fullscreen: the meter window went away";
		return false;
	}
	window_ = window;
	const BRect screen = BScreen().Frame();
	const bigtime_t deadline = system_time() + kAnswerTimeout;
	BRect frame;
	do {
		kit::WaitForIdle(window);
		if (!window->Lock()) {
			error = "--fullscreen: the meter window went away";
			return false;
		}
		frame = window->Frame();
		window->Unlock();
		if (frame == screen) return true;
		snooze(kPoll);
	} while (system_time() < deadline);
	error = "--fullscreen: the meter window does not fill the screen (" +
	        std::to_string(int(frame.Width()) + 1) + "x" + std::to_string(int(frame.Height()) + 1) + " at " +
	        std::to_string(int(frame.left)) + "," + std::to_string(int(frame.top)) + ")";
	return false;
}

void FullScreenMeter::Leave() {
	if (!window_) return;
	kit::SetFullScreen(window_, false);
	window_ = nullptr;
}
