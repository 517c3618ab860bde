// Silence for a meter after playback stops, so that it falls back to rest as
// it does when the sound itself falls silent.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <GraphicsDefs.h>
#include <libaudcore/mainloop.h>

class BWindow;

// Hands silent blocks over in the rhythm Audacious hands over its own, until
// the meter window's picture has stood still for about a second (the meter is
// at rest, whatever its size and wherever it started from), or for a minute
// at most (a meter that never rests). The meter window may go meanwhile.
//
// [Audacious's main thread] Every call, and the blocks are handed over there.
class SilenceFeed {
public:
	// `render` hands one silent block to the add-on; `window` is its meter
	// window, or null when it has none, and must live as long as this object.
	SilenceFeed(std::function<void()> render, BWindow* window);
	~SilenceFeed(); // stops

	SilenceFeed(const SilenceFeed&) = delete;
	SilenceFeed& operator=(const SilenceFeed&) = delete;

	bool Done() const { return !timer_.running(); }

private:
	void Tick();
	// Whether the window shows what it showed after the last block.
	bool StoodStill();

	std::function<void()> render_;
	BWindow* window_; // not owned
	QueuedFunc timer_;
	std::vector<rgb_color> last_;
	uint64 version_ = 0;
	int still_ = 0; // blocks after which the picture stood still, in a row
	int blocks_ = 0;
};
