#include "audio/LimitedSource.h"

#include <algorithm>

int64_t LimitedSource::TotalFrames() const {
	const int64_t total = inner_.TotalFrames();
	if (total < 0) return total;
	return std::min(total, inner_.Position() + std::max<int64_t>(limit_ - played_, 0));
}

int64_t LimitedSource::EndOfSound() const {
	const int64_t inner = inner_.EndOfSound();
	return cut_ < 0 ? inner : inner < 0 ? cut_ : std::min(inner, cut_);
}

bool LimitedSource::NextBlock(AudioBlock& block) {
	if (played_ >= limit_) return false;
	const int64_t start = inner_.Position();
	if (!inner_.NextBlock(block)) return false;
	const int64_t left = limit_ - played_;
	if (left < kBlockFrames) {
		std::fill(block.begin() + 2 * left, block.end(), int16_t{0});
		cut_ = start + left;
	}
	played_ += std::min<int64_t>(left, kBlockFrames);
	return true;
}
