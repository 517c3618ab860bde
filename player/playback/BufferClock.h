// Where a device that takes whole buffers from a queue is playing, judged from
// how many frames it has taken so far, looked at now and then.
#pragma once

#include <chrono>
#include <cstdint>

// The buffer taken last started playing when it was taken and plays out at the
// sample rate, so the frame heard is the frames taken less one buffer, moved on
// by the time since the take, up to one buffer. The take itself is not seen
// when it happens, only the next time the count is looked at, which may be a
// block or more later: it is placed where a device playing without gaps takes
// it, as the buffer before it ends, but never before the old count was last
// seen nor after the new one is.
//
// [one thread]
class BufferClock {
public:
	using TimePoint = std::chrono::steady_clock::time_point;

	BufferClock(int64_t bufferFrames, int sampleRate, TimePoint now);

	// The device has taken nothing past `frame`, as of `now`.
	void Restart(int64_t frame, TimePoint now);
	// The frame being heard at `now`, when the device has taken `taken` frames.
	int64_t Heard(int64_t taken, TimePoint now);
	// While paused the buffer playing stops where it is and goes on from there.
	void Pause(TimePoint now);
	void Resume(TimePoint now);

private:
	std::chrono::steady_clock::duration Playing(int64_t frames) const;

	int64_t bufferFrames_;
	int sampleRate_;
	int64_t taken_ = 0;
	TimePoint takenAt_; // when the device took its last buffer
	TimePoint seenAt_;  // when `taken_` was last seen
	bool paused_ = false;
	TimePoint pausedAt_;
};
