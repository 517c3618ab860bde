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

Expected<void> FullScreenMeter::Enter(BWindow* window, const std::string& addon) {
	if (!window) {
		return Failure{"--fullscreen: " + addon + " opened no meter window"};
	}
	if (!kit::SetFullScreen(window, true)) {
		return Failure{"--fullscreen: the meter window went away"};
	}
	window_ = window;
	const BRect screen = BScreen().Frame();
	const bigtime_t deadline = system_time() + kAnswerTimeout;
	BRect frame;
	do {
		kit::WaitForIdle(window);
		if (!window->Lock()) {
			return Failure{"--fullscreen: the meter window went away"};
		}
		frame = window->Frame();
		window->Unlock();
		if (frame == screen) return {};
		snooze(kPoll);
	} while (system_time() < deadline);
	return Failure{"--fullscreen: the meter window does not fill the screen (" +
	               std::to_string(int(frame.Width()) + 1) + "x" + std::to_string(int(frame.Height()) + 1) +
	               " at " + std::to_string(int(frame.left)) + "," + std::to_string(int(frame.top)) + ")"};
}

void FullScreenMeter::Leave() {
	if (!window_) return;
	kit::SetFullScreen(window_, false);
	window_ = nullptr;
}
