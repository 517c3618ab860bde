// The level measurement both meters share: each channel's level is the sum of
// the absolute differences between its consecutive samples in the block,
// divided by a block divisor that the gain shortens, and clamped to 16 bits.
// The first sample of each channel is measured against 0: nothing is carried
// from one block to the next.
//
// Pure functions, [any thread]; the meters call them on the player thread.
#pragma once

#include <SupportDefs.h>

struct ChannelLevels {
	uint32 left;  // 0 to 65535
	uint32 right; // 0 to 65535
};

// k = gain × gain_factor / 100 + 1, truncated. For gain 1 to 1000 and the
// add-ons' factors (26, 32) it is 1 to 321.
int32 GainDivisor(int32 gain, int32 gain_factor);

// d = count / gain_divisor, truncated. A divisor that would come out below 1
// (a block shorter than gain_divisor, or gain_divisor below 1) is 1.
int32 BlockDivisor(int32 count, int32 gain_divisor);

// Levels of the interleaved stereo block `pcm` (left at even indices) of
// `count` values; the player passes 1024. Expects gain 1 to 1000 and a
// gain_factor small enough that gain × gain_factor fits in int32. An odd count
// leaves the unpaired last value unread. Sums with the fastest routine this
// processor supports, chosen once when the library loads.
ChannelLevels MeasureLevels(const int16* pcm, int32 count, int32 gain, int32 gain_factor);

// Routines

// The ways of summing the differences; every one gives the same sums. Any
// x86-64 has SSE2; AVX2 is chosen at run time where the processor has it.
enum class SumRoutine { Portable, Sse2, Avx2 };

struct DifferenceSums {
	uint32 left;
	uint32 right;
};

// Whether this build and processor can run `routine`.
bool Supports(SumRoutine routine);
// The sums of the absolute differences of the first `values` values of
// `pcm`, an even number, by `routine`, which must be supported.
DifferenceSums SumDifferences(const int16* pcm, int32 values, SumRoutine routine);
