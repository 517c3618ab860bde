// Where the feed sends the blocks as they are heard: a meter process, or a
// test's record of them.
#pragma once

#include <cstdint>

// [feed thread] Both calls; neither may wait.
class BlockSink {
public:
	virtual ~BlockSink() = default;

	// 512 frames of interleaved 16-bit stereo at `rate`, heard `lateUs`
	// microseconds ago (kUnmeasured when the player could not tell).
	virtual void SendBlock(const int16_t* samples, int rate, int32_t lateUs) = 0;
	// No more sound for now: the meter falls back to rest.
	virtual void SendRest() = 0;
};
