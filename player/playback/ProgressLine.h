// The one-line progress display on a terminal.
#pragma once

#include <cstdint>
#include <string>

#include "playback/PeakMeter.h"

struct ProgressState {
	std::string name; // file name, "demo" or the capture device
	int64_t elapsed;  // frames
	int64_t total;    // frames; -1 when unknown
	int sampleRate;
	PeakLevels peak;
	bool paused;
};

class ProgressLine {
public:
	// "song.flac  01:02 / 03:04  L -6.0 dBFS  R -inf dBFS", with " [paused]" when
	// paused. Times of an hour or more read h:mm:ss. The name is shortened with
	// "..." so that the line stays within `columns` characters, as a longer line
	// would wrap and the next update could no longer overwrite it.
	static std::string Format(const ProgressState& state, int columns);
	static std::string Level(double dbfs);
};
