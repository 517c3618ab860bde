// Peak level of each channel of a block, in dB relative to full scale.
#pragma once

#include <span>

#include "audio/AudioSource.h"

struct PeakLevels {
	double left; // dBFS; -infinity for silence
	double right;
};

class PeakMeter {
public:
	// 0 dBFS is a sample of magnitude 32768, so -32768 reads 0.0 and 32767 a hair below.
	static PeakLevels Measure(std::span<const int16_t, kBlockSamples> block);
	static double ToDbfs(int magnitude);
};
