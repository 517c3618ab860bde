#include "audio/LimitedSource.h"

#include <algorithm>

int64_t LimitedSource::TotalFrames() const {
	const int64_t total = inner_.TotalFrames();
	if (total < 0) return total;
	return std::min(total, inner_.Position() + std::max<int64_t>(limit_ - played_, 0));
}

bool LimitedSource::NextBlock(AudioBlock& block) {
	if (played_ >= limit_) return false;
	if (!inner_.NextBlock(block)) return false;
	const int64_t left = limit_ - played_;
	if (left < kBlockFrames) std::fill(block.begin() + 2 * left, block.end(), int16_t{0});
	played_ += std::min<int64_t>(left, kBlockFrames);
	return true;
}
