#include "display/MeasureLevels.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "support/MeasureLevelsReference.h"

namespace {

constexpr int32 kBlock = 1024;
constexpr int32 kFactors[] = {26, 32};
constexpr int16 kMax = 32767;
constexpr int16 kMin = -32768;

using Block = std::vector<int16>;

Block Filled(int16 left, int16 right, int32 count = kBlock) {
	Block block(count);
	for (int32 i = 0; i < count; i += 2) {
		block[i] = left;
		block[i + 1] = right;
	}
	return block;
}

Block Random(std::mt19937& random, int32 count = kBlock) {
	std::uniform_int_distribution<int> value(kMin, kMax);
	Block block(count);
	for (int16& sample : block)
		sample = int16(value(random));
	return block;
}

// Only the two extremes and 0, which gives the largest differences.
Block RandomExtremes(std::mt19937& random) {
	const int16 choices[] = {kMin, 0, kMax};
	std::uniform_int_distribution<int> pick(0, 2);
	Block block(kBlock);
	for (int16& sample : block)
		sample = choices[pick(random)];
	return block;
}

// Each channel swings between the extremes from frame to frame, starting high.
Block FullSwing(bool left, bool right) {
	Block block(kBlock, 0);
	for (int32 i = 0; i < kBlock; i += 2) {
		const int16 value = (i / 2) % 2 == 0 ? kMax : kMin;
		if (left) block[i] = value;
		if (right) block[i + 1] = value;
	}
	return block;
}

void ExpectSame(ChannelLevels expected, ChannelLevels actual, const char* what, int32 gain, int32 factor) {
	EXPECT_EQ(expected.left, actual.left) << what << ", gain " << gain << ", factor " << factor;
	EXPECT_EQ(expected.right, actual.right) << what << ", gain " << gain << ", factor " << factor;
}

TEST(MeasureLevels, MatchesThePlainLoopForEveryGainOnRandomAndExtremeBlocks) {
	std::mt19937 random(20240611);
	const std::vector<std::pair<const char*, Block>> fixed = {
	    {"silence", Filled(0, 0)},
	    {"all maximum", Filled(kMax, kMax)},
	    {"all minimum", Filled(kMin, kMin)},
	    {"opposite extremes", Filled(kMax, kMin)},
	    {"full swing on both", FullSwing(true, true)},
	    {"full swing on the left", FullSwing(true, false)},
	    {"full swing on the right", FullSwing(false, true)},
	};
	for (int32 factor : kFactors) {
		for (int32 gain = 1; gain <= 1000; ++gain) {
			for (const auto& [what, block] : fixed)
				ExpectSame(MeasureLevelsReference(block.data(), kBlock, gain, factor),
				           MeasureLevels(block.data(), kBlock, gain, factor), what, gain, factor);
			const Block noise = Random(random);
			ExpectSame(MeasureLevelsReference(noise.data(), kBlock, gain, factor),
			           MeasureLevels(noise.data(), kBlock, gain, factor), "noise", gain, factor);
			const Block extremes = RandomExtremes(random);
			ExpectSame(MeasureLevelsReference(extremes.data(), kBlock, gain, factor),
			           MeasureLevels(extremes.data(), kBlock, gain, factor), "random extremes", gain, factor);
			if (HasFailure()) return;
		}
	}
}

TEST(MeasureLevels, MatchesThePlainLoopForEveryEvenBlockLength) {
	std::mt19937 random(7);
	for (int32 count = 2; count <= 2 * kBlock + 2; count += 2) {
		const Block block = Random(random, count);
		const int32 gain = std::uniform_int_distribution<int32>(1, 1000)(random);
		for (int32 factor : kFactors) {
			if (GainDivisor(gain, factor) > count) continue;
			ExpectSame(MeasureLevelsReference(block.data(), count, gain, factor),
			           MeasureLevels(block.data(), count, gain, factor), "noise", gain, factor);
		}
		if (HasFailure()) return;
	}
}

// The sums written plainly, each frame against the one before, the first against 0.
DifferenceSums PlainSums(const Block& block, int32 values) {
	DifferenceSums sums{0, 0};
	int32 previousLeft = 0, previousRight = 0;
	for (int32 i = 0; i < values; i += 2) {
		sums.left += uint32(std::abs(block[i] - previousLeft));
		sums.right += uint32(std::abs(block[i + 1] - previousRight));
		previousLeft = block[i];
		previousRight = block[i + 1];
	}
	return sums;
}

// MeasureLevels runs only the fastest routine here; the others are checked on
// their own, on every length so that each vector loop's tail is covered.
TEST(MeasureLevels, EverySupportedRoutineGivesThePlainSums) {
	const std::pair<SumRoutine, const char*> routines[] = {
	    {SumRoutine::Portable, "portable"}, {SumRoutine::Sse2, "SSE2"}, {SumRoutine::Avx2, "AVX2"}};
	std::mt19937 random(11);
	std::vector<Block> blocks = {Filled(kMax, kMin), FullSwing(true, true), FullSwing(true, false)};
	for (int i = 0; i < 20; i++) {
		blocks.push_back(Random(random));
		blocks.push_back(RandomExtremes(random));
	}
	int supported = 0;
	for (const auto& [routine, name] : routines) {
		if (!Supports(routine)) continue;
		supported++;
		for (const Block& block : blocks)
			for (int32 values = 0; values <= kBlock; values += 2) {
				const DifferenceSums expected = PlainSums(block, values);
				const DifferenceSums actual = SumDifferences(block.data(), values, routine);
				ASSERT_EQ(actual.left, expected.left) << name << ", " << values << " values";
				ASSERT_EQ(actual.right, expected.right) << name << ", " << values << " values";
			}
	}
	EXPECT_GE(supported, 1);
}

TEST(MeasureLevels, ConstantBlocksMeasureOnlyTheFirstStepFromZero) {
	for (const int16 value : {kMax, kMin}) {
		const Block block = Filled(value, value);
		const ChannelLevels corvel = MeasureLevels(block.data(), kBlock, 100, 26);
		EXPECT_EQ(corvel.left, 885u);
		EXPECT_EQ(corvel.right, 885u);
		const ChannelLevels kestle = MeasureLevels(block.data(), kBlock, 100, 32);
		EXPECT_EQ(kestle.left, 1057u);
		EXPECT_EQ(kestle.right, 1057u);
	}
}

TEST(MeasureLevels, EachBlockStartsFromZeroAgain) {
	const Block loud = Filled(kMax, kMax);
	const Block silence = Filled(0, 0);
	EXPECT_EQ(MeasureLevels(loud.data(), kBlock, 100, 26).left, 885u);
	EXPECT_EQ(MeasureLevels(loud.data(), kBlock, 100, 26).left, 885u);
	const ChannelLevels quiet = MeasureLevels(silence.data(), kBlock, 100, 26);
	EXPECT_EQ(quiet.left, 0u);
	EXPECT_EQ(quiet.right, 0u);
}

TEST(MeasureLevels, FullSwingClampsAtTheDefaultGainButNotAtGainOne) {
	const Block block = FullSwing(true, false);
	const ChannelLevels atDefault = MeasureLevels(block.data(), kBlock, 100, 26);
	EXPECT_EQ(atDefault.left, 65535u);
	EXPECT_EQ(atDefault.right, 0u);
	// 32767 + 511 × 65535 = 33,521,152, divided by 1024.
	const ChannelLevels atOne = MeasureLevels(block.data(), kBlock, 1, 26);
	EXPECT_EQ(atOne.left, 32735u);
	EXPECT_EQ(atOne.right, 0u);
}

TEST(MeasureLevels, ChannelsAreMeasuredApart) {
	std::mt19937 random(3);
	Block block = Random(random);
	const ChannelLevels before = MeasureLevels(block.data(), kBlock, 1, 32);
	for (int32 i = 1; i < kBlock; i += 2)
		block[i] = int16(block[i] / 2);
	const ChannelLevels after = MeasureLevels(block.data(), kBlock, 1, 32);
	EXPECT_EQ(after.left, before.left);
	EXPECT_NE(after.right, before.right);
}

// The gain divisor k - 1 counts the whole hundreds in gain × factor, and the
// block divisor d counts how many times k fits in the block.
TEST(MeasureLevels, DivisorsMatchAnIndependentCountForEveryGain) {
	for (int32 factor : kFactors) {
		for (int32 gain = 1; gain <= 1000; ++gain) {
			int32 hundreds = 0;
			while ((hundreds + 1) * 100 <= gain * factor)
				++hundreds;
			const int32 k = hundreds + 1;
			int32 fits = 0;
			while ((fits + 1) * k <= kBlock)
				++fits;
			ASSERT_EQ(GainDivisor(gain, factor), k) << "gain " << gain << ", factor " << factor;
			ASSERT_EQ(BlockDivisor(kBlock, k), fits) << "gain " << gain << ", factor " << factor;
		}
	}
}

TEST(MeasureLevels, DivisorsAtTheDocumentedGains) {
	struct Row {
		int32 gain, k26, d26, k32, d32;
	};
	const Row rows[] = {{1, 1, 1024, 1, 1024}, {3, 1, 1024, 1, 1024}, {4, 2, 512, 2, 512},
	                    {10, 3, 341, 4, 256},  {50, 14, 73, 17, 60},  {100, 27, 37, 33, 31},
	                    {200, 53, 19, 65, 15}, {500, 131, 7, 161, 6}, {999, 260, 3, 320, 3},
	                    {1000, 261, 3, 321, 3}};
	for (const Row& row : rows) {
		EXPECT_EQ(GainDivisor(row.gain, 26), row.k26) << "gain " << row.gain;
		EXPECT_EQ(BlockDivisor(kBlock, row.k26), row.d26) << "gain " << row.gain;
		EXPECT_EQ(GainDivisor(row.gain, 32), row.k32) << "gain " << row.gain;
		EXPECT_EQ(BlockDivisor(kBlock, row.k32), row.d32) << "gain " << row.gain;
	}
}

TEST(MeasureLevels, OddCountLeavesTheUnpairedValueUnread) {
	// Exactly three values on the heap, so that a read past the end shows
	// under the address sanitizer.
	const Block block = {300, 600, kMax};
	const ChannelLevels levels = MeasureLevels(block.data(), 3, 1, 26);
	EXPECT_EQ(levels.left, 100u);
	EXPECT_EQ(levels.right, 200u);
}

TEST(MeasureLevels, BlocksShorterThanTheGainDivisorDoNotDivideByZero) {
	const Block block = {1000, kMin};
	const ChannelLevels levels = MeasureLevels(block.data(), 2, 1000, 32);
	EXPECT_EQ(levels.left, 1000u);
	EXPECT_EQ(levels.right, 32768u);
	const ChannelLevels empty = MeasureLevels(block.data(), 0, 100, 26);
	EXPECT_EQ(empty.left, 0u);
	EXPECT_EQ(empty.right, 0u);
}

} // namespace
