#include "playback/PeakMeter.h"

#include <cmath>
#include <cstdlib>
#include <limits>

PeakLevels PeakMeter::Measure(std::span<const int16_t, kBlockSamples> block) {
	int left = 0;
	int right = 0;
	for (size_t i = 0; i < block.size(); i += 2) {
		left = std::max(left, std::abs(static_cast<int>(block[i])));
		right = std::max(right, std::abs(static_cast<int>(block[i + 1])));
	}
	return {ToDbfs(left), ToDbfs(right)};
}

double PeakMeter::ToDbfs(int magnitude) {
	if (magnitude <= 0) return -std::numeric_limits<double>::infinity();
	return 20.0 * std::log10(magnitude / 32768.0);
}
