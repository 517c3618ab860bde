// Compares the level measurement with its plain reference, and the summing
// routines with each other, on any block.
//
// Input: two bytes choose the gain (1 to 1000), one byte the add-on's gain
// factor, and the rest is the block as 16-bit values.
#include "display/MeasureLevels.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "Require.h"
#include "support/MeasureLevelsReference.h"

namespace {

constexpr int32 kGainFactors[] = {26, 32};
constexpr size_t kHeader = 3;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
	if (size < kHeader) return 0;
	const int32 gain = int32((uint32_t(data[0]) | uint32_t(data[1]) << 8) % 1000) + 1;
	const int32 factor = kGainFactors[data[2] & 1];
	// A copy, so that the block is aligned as the player's is.
	std::vector<int16> block((size - kHeader) / 2);
	if (!block.empty()) std::memcpy(block.data(), data + kHeader, block.size() * sizeof(int16));
	const int32 count = int32(block.size());

	const ChannelLevels levels = MeasureLevels(block.data(), count, gain, factor);
	Require(levels.left <= 0xFFFF && levels.right <= 0xFFFF, "levels fit in 16 bits");

	// Every routine this processor runs gives the portable one's sums.
	const int32 values = count & ~1;
	const DifferenceSums portable = SumDifferences(block.data(), values, SumRoutine::Portable);
	for (const SumRoutine routine : {SumRoutine::Sse2, SumRoutine::Avx2}) {
		if (!Supports(routine)) continue;
		const DifferenceSums sums = SumDifferences(block.data(), values, routine);
		Require(sums.left == portable.left && sums.right == portable.right,
		        "every routine gives the portable sums");
	}

	// The reference covers what the player passes: whole frames, at least as
	// many values as the gain divisor.
	if (count >= 2 && count % 2 == 0 && count >= GainDivisor(gain, factor)) {
		const ChannelLevels expected = MeasureLevelsReference(block.data(), count, gain, factor);
		Require(levels.left == expected.left && levels.right == expected.right,
		        "the levels equal the reference's");
	}
	return 0;
}
