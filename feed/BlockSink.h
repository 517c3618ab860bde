// Where the feed sends the stream as it plays: a meter process, or a test's
// record of it.
#pragma once

#include <cstdint>

#include "MeterProtocol.h"

// [feed thread] Every call; none may wait.
class BlockSink {
public:
	virtual ~BlockSink() = default;

	// 512 frames of interleaved 16-bit stereo starting at the stream's
	// `frame`, at `rate`; sent a little before it is heard.
	virtual void SendBlock(int64_t frame, int rate, const int16_t* samples) = 0;
	// When the stream's frames are heard from now on.
	virtual void SendClock(const meter_protocol::Clock& clock) = 0;
	// The blocks sent and not yet rendered are never heard.
	virtual void SendDrop() = 0;
	// No sound follows the blocks sent: once they are, the meter rests.
	virtual void SendRest() = 0;
};
