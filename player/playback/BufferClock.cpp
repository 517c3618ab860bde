#include "playback/BufferClock.h"

#include <algorithm>

BufferClock::BufferClock(int64_t bufferFrames, int sampleRate, TimePoint now)
    : bufferFrames_(bufferFrames), sampleRate_(std::max(sampleRate, 1)), takenAt_(now), seenAt_(now),
      pausedAt_(now) {}

std::chrono::steady_clock::duration BufferClock::Playing(int64_t frames) const {
	return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
	    std::chrono::duration<double>(double(frames) / sampleRate_));
}

void BufferClock::Restart(int64_t frame, TimePoint now) {
	taken_ = frame;
	takenAt_ = seenAt_ = now;
	// A restart while paused plays from the frame given once resumed.
	pausedAt_ = now;
}

int64_t BufferClock::Heard(int64_t taken, TimePoint now) {
	if (taken != taken_) {
		const TimePoint withoutGaps = takenAt_ + Playing(taken - taken_);
		takenAt_ = std::max(seenAt_, std::min(withoutGaps, now));
		taken_ = taken;
	}
	seenAt_ = now;
	const double seconds = std::chrono::duration<double>((paused_ ? pausedAt_ : now) - takenAt_).count();
	const auto played = static_cast<int64_t>(std::max(0.0, seconds) * sampleRate_);
	return taken_ - bufferFrames_ + std::min(bufferFrames_, played);
}

void BufferClock::Pause(TimePoint now) {
	if (paused_) return;
	paused_ = true;
	pausedAt_ = now;
}

void BufferClock::Resume(TimePoint now) {
	if (!paused_) return;
	paused_ = false;
	takenAt_ += now - pausedAt_;
}
