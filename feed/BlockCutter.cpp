#include "BlockCutter.h"

#include <algorithm>

#include "host/SampleConversion.h"

void BlockCutter::Restart(int64_t frame, int channels) {
	next_ = frame;
	channels_ = std::max(channels, 1);
	filled_ = 0;
}

void BlockCutter::Cut(const float* samples, int64_t frames) {
	using meter_protocol::kBlockFrames;
	while (frames > 0) {
		const int take = static_cast<int>(std::min<int64_t>(frames, kBlockFrames - filled_));
		ToStereoInt16(samples, channels_, FirstTwoChannels(channels_), static_cast<size_t>(take),
		              block_ + 2 * filled_);
		filled_ += take;
		next_ += take;
		samples += static_cast<int64_t>(take) * channels_;
		frames -= take;
		if (filled_ == kBlockFrames) {
			sink_(next_ - kBlockFrames, block_);
			filled_ = 0;
		}
	}
}

void BlockCutter::Finish() {
	if (filled_ == 0) return;
	std::fill(block_ + 2 * filled_, std::end(block_), int16_t{0});
	const int64_t start = next_ - filled_;
	// The padding is no sound: the stream goes on after the block, as the next song starts there.
	next_ = start + meter_protocol::kBlockFrames;
	filled_ = 0;
	sink_(start, block_);
}
