#include "SilenceFeed.h"

#include <kit/Display.h>

namespace {

// Audacious hands a block to its visualisers about every 32 ms.
constexpr int kIntervalMs = 32;
constexpr int kStillBlocks = 1000 / kIntervalMs;
constexpr int kMostBlocks = 60 * 1000 / kIntervalMs;

} // namespace

SilenceFeed::SilenceFeed(std::function<void()> render, BWindow* window)
    : render_(std::move(render)), window_(window) {
	timer_.start(kIntervalMs, [this] { Tick(); });
}

SilenceFeed::~SilenceFeed() { timer_.stop(); }

void SilenceFeed::Tick() {
	render_();
	blocks_++;
	still_ = StoodStill() ? still_ + 1 : 0;
	if (still_ >= kStillBlocks || blocks_ >= kMostBlocks) timer_.stop();
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
