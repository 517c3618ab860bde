// PCM blocks with exactly known levels, for driving the meters: a channel is
// built as a zig-zag whose absolute differences (the first one taken against
// 0) add up to a chosen sum.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include <SupportDefs.h>

using Block = std::array<int16, 1024>;

inline constexpr int32 kBlockValues = 1024;
inline constexpr int32 kFrames = kBlockValues / 2;

// Block divisors at the default gain 100: 1024 / (100 × factor / 100 + 1).
inline constexpr uint32 kBarDivisor = 37;    // factor 26
inline constexpr uint32 kNeedleDivisor = 31; // factor 32

// Writes one channel (0 left, 1 right) whose differences add up to `sum`.
inline void FillChannelWithSum(Block& block, int channel, uint32 sum) {
	int32 current = 0;
	uint32 remaining = sum;
	for (int32 frame = 0; frame < kFrames; ++frame) {
		const uint32 room = current <= 0 ? uint32(32767 - current) : uint32(current + 32768);
		const uint32 move = std::min(remaining, room);
		current += current <= 0 ? int32(move) : -int32(move);
		remaining -= move;
		block[2 * frame + channel] = int16(current);
	}
	if (remaining != 0) throw std::invalid_argument("sum too large for one block");
}

// A block that measures exactly `left` and `right` with this block divisor.
inline Block BlockWithLevels(uint32 left, uint32 right, uint32 divisor) {
	Block block{};
	FillChannelWithSum(block, 0, left * divisor);
	FillChannelWithSum(block, 1, right * divisor);
	return block;
}

inline Block Silence() { return Block{}; }

// Both channels swinging between the extremes: clamped to level 65535.
inline Block FullScale() {
	Block block{};
	for (int32 i = 0; i < kBlockValues; ++i)
		block[i] = (i / 2) % 2 == 0 ? 32767 : -32768;
	return block;
}

// A sine on each channel; `phase` carries on from block to block.
inline Block Tones(double leftAmplitude, double rightAmplitude, double period, int32 blockIndex) {
	Block block{};
	for (int32 frame = 0; frame < kFrames; ++frame) {
		const double angle = 2 * M_PI * (blockIndex * kFrames + frame) / period;
		block[2 * frame] = int16(std::lround(leftAmplitude * std::sin(angle)));
		block[2 * frame + 1] = int16(std::lround(rightAmplitude * std::sin(angle + 1.0)));
	}
	return block;
}
