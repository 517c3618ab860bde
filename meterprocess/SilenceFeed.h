// Silence for a meter after playback stops, so that it falls back to rest as
// it does when the sound itself falls silent.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include <GraphicsDefs.h>

class BWindow;

// Silent blocks at the rate of the sound before, until the meter window's
// picture has stood still for a second (the meter is at rest, whatever its
// size and wherever it started from), or for a minute at most (a meter that
// never rests). The caller renders each block when it is due.
//
// [main thread] Every call.
class SilenceFeed {
public:
	using Clock = std::chrono::steady_clock;

	// Starts, a block every `period`, the first one at once; `window` is the
	// meter window, or null when it has none. The window may go meanwhile
	// (an add-on may quit its own window): it is only read through the kit,
	// which fails for a window that is gone, and a gone window counts as
	// standing still.
	void Start(BWindow* window, Clock::duration period);
	void Stop() { running_ = false; }
	bool Running() const { return running_; }
	// When the next block is due, while running.
	Clock::time_point Next() const { return next_; }
	// The block due was rendered: counts it and stops once the meter rests.
	void Rendered();

private:
	// Whether the window shows what it showed after the last block.
	bool StoodStill();

	BWindow* window_ = nullptr; // not owned
	Clock::duration period_{};
	Clock::time_point next_{};
	std::vector<rgb_color> last_;
	uint64 version_ = 0;
	int still_ = 0; // blocks after which the picture stood still, in a row
	int blocks_ = 0;
	bool running_ = false;
};
