#include "display/MeasureLevels.h"

#include <algorithm>

namespace {

constexpr uint32 kMaximumLevel = 0xFFFF;

// Values per chunk of the main loop: whole frames, and a fixed trip count,
// which g++ vectorises at -O2 as well as at -O3.
constexpr int32 kChunk = 64;

// |a − b| always fits in 16 bits unsigned, so it can be taken in 16-bit lanes
// as max − min, wrapping, before it is widened. Written with conditionals
// rather than std::max, which g++ -O2 vectorises less well.
inline uint32 AbsoluteDifference(int16 a, int16 b) {
	const int16 high = a > b ? a : b;
	const int16 low = a < b ? a : b;
	return uint16(high - low);
}

} // namespace

int32 GainDivisor(int32 gain, int32 gain_factor) { return gain * gain_factor / 100 + 1; }

int32 BlockDivisor(int32 count, int32 gain_divisor) {
	if (gain_divisor < 1 || count < gain_divisor) return 1;
	return count / gain_divisor;
}

ChannelLevels MeasureLevels(const int16* pcm, int32 count, int32 gain, int32 gain_factor) {
	const int32 values = count > 0 ? count & ~1 : 0;
	uint32 left = 0;
	uint32 right = 0;
	if (values > 0) {
		left = AbsoluteDifference(pcm[0], 0);
		right = AbsoluteDifference(pcm[1], 0);
	}

	// Each value is compared with the one a frame (two values) before it.
	int32 i = 2;
	for (; i + kChunk <= values; i += kChunk) {
		uint32 chunkLeft = 0;
		uint32 chunkRight = 0;
		const int16* chunk = pcm + i;
		for (int32 j = 0; j < kChunk; j += 2) {
			chunkLeft += AbsoluteDifference(chunk[j], chunk[j - 2]);
			chunkRight += AbsoluteDifference(chunk[j + 1], chunk[j - 1]);
		}
		left += chunkLeft;
		right += chunkRight;
	}
	for (; i < values; i += 2) {
		left += AbsoluteDifference(pcm[i], pcm[i - 2]);
		right += AbsoluteDifference(pcm[i + 1], pcm[i - 1]);
	}

	const uint32 divisor = BlockDivisor(count, GainDivisor(gain, gain_factor));
	return {std::min(left / divisor, kMaximumLevel), std::min(right / divisor, kMaximumLevel)};
}
