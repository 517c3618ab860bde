#include "SilenceFeed.h"

#include <kit/Display.h>

namespace {

constexpr auto kStill = std::chrono::seconds(1);
constexpr auto kLongest = std::chrono::minutes(1);

} // namespace

void SilenceFeed::Start(BWindow* window, Clock::duration period) {
	window_ = window;
	period_ = period;
	next_ = Clock::now();
	last_.clear();
	version_ = 0;
	still_ = 0;
	blocks_ = 0;
	running_ = true;
}

void SilenceFeed::Rendered() {
	blocks_++;
	still_ = StoodStill() ? still_ + 1 : 0;
	next_ += period_;
	if (still_ * period_ >= kStill || blocks_ * period_ >= kLongest) running_ = false;
}

bool SilenceFeed::StoodStill() {
	if (!window_) return true;
	std::vector<rgb_color> pixels;
	int32 width = 0, height = 0;
	const uint64 before = version_;
	if (!kit::ReadPixels(window_, &pixels, &width, &height, &version_)) return true;
	if (version_ == before) return true; // not drawn since
	const bool same = pixels == last_;
	last_ = std::move(pixels);
	return same;
}
