// What the command line asks of the playing.
#pragma once

#include <optional>

#include "audio/helpers/RawPcm.h"

struct PlayerOptions {
	std::optional<RawPcm> raw;    // the files hold headerless sound of this kind
	double durationSeconds = 0.0; // 0: the whole of every source
	double latencyOffsetMs = 0.0; // the meters shown that much later
	bool mute = false;            // no sound output: the blocks paced by the clock
	bool headless = false;        // no sound output, and the blocks as fast as they come...
	bool realtime = false;        // ...unless paced by the clock
	bool keepOpen = false;        // the windows stay once the sound has ended
	bool verbose = false;         // progress, latency and what the windows do, on standard output
};
