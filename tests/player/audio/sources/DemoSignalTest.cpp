#include "audio/sources/DemoSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct BlockPeak {
	double left;
	double right;
};

double Dbfs(int magnitude) { return magnitude == 0 ? -200.0 : 20.0 * std::log10(magnitude / 32768.0); }

std::vector<AudioBlock> Everything() {
	DemoSignal demo;
	std::vector<AudioBlock> blocks;
	AudioBlock block;
	while (demo.NextBlock(block))
		blocks.push_back(block);
	return blocks;
}

std::vector<BlockPeak> Peaks(const std::vector<AudioBlock>& blocks) {
	std::vector<BlockPeak> peaks;
	for (const AudioBlock& block : blocks) {
		int left = 0, right = 0;
		for (size_t i = 0; i < block.size(); i += 2) {
			left = std::max(left, std::abs(int(block[i])));
			right = std::max(right, std::abs(int(block[i + 1])));
		}
		peaks.push_back({Dbfs(left), Dbfs(right)});
	}
	return peaks;
}

} // namespace

TEST(DemoSignal, LastsTwentySecondsAndPadsItsLastBlock) {
	const auto blocks = Everything();
	ASSERT_EQ(blocks.size(), 1723u); // 882000 frames: 1722 whole blocks and 336 frames
	const AudioBlock& last = blocks.back();
	for (size_t i = 2 * 336; i < last.size(); i++)
		ASSERT_EQ(last[i], 0) << "sample " << i;
}

TEST(DemoSignal, HasLoudAndQuietPassagesAttacksAndDecays) {
	const auto peaks = Peaks(Everything());
	const auto loudest =
	    std::max_element(peaks.begin(), peaks.end(), [](const BlockPeak& a, const BlockPeak& b) {
		    return std::max(a.left, a.right) < std::max(b.left, b.right);
	    });
	EXPECT_GT(std::max(loudest->left, loudest->right), -3.0);
	EXPECT_LT(std::max(loudest->left, loudest->right), 0.0); // limited, not clipped

	const auto quiet = std::count_if(peaks.begin(), peaks.end(), [](const BlockPeak& p) {
		const double level = std::max(p.left, p.right);
		return level < -30.0 && level > -90.0;
	});
	EXPECT_GT(quiet, 20); // a quarter of a second or more of audible but quiet sound

	int attacks = 0;
	for (size_t i = 1; i < peaks.size(); i++)
		if (std::max(peaks[i].left, peaks[i].right) > std::max(peaks[i - 1].left, peaks[i - 1].right) + 10.0)
			attacks++;
	EXPECT_GE(attacks, 10);

	// The break at 8 s: one bell that falls by 30 dB or more within its two seconds.
	const size_t bell = 8 * 44100 / kBlockFrames + 1;
	const size_t later = 9 * 44100 / kBlockFrames + 40;
	EXPECT_LT(peaks[later].right, peaks[bell].right - 30.0);
}

TEST(DemoSignal, LeftAndRightDiffer) {
	const auto peaks = Peaks(Everything());
	const auto leftLouder = std::count_if(peaks.begin(), peaks.end(), [](const BlockPeak& p) {
		return p.left > p.right + 6.0 && p.left > -40.0;
	});
	const auto rightLouder = std::count_if(peaks.begin(), peaks.end(), [](const BlockPeak& p) {
		return p.right > p.left + 6.0 && p.right > -40.0;
	});
	EXPECT_GT(leftLouder, 50);
	EXPECT_GT(rightLouder, 50);
}

TEST(DemoSignal, SeekingGivesTheSameSamplesAsPlayingThrough) {
	const auto blocks = Everything();
	DemoSignal demo;
	AudioBlock block;
	for (const size_t index : {1000u, 3u, 1722u, 0u}) {
		ASSERT_TRUE(demo.Seek(static_cast<int64_t>(index) * kBlockFrames));
		ASSERT_TRUE(demo.NextBlock(block));
		EXPECT_EQ(block, blocks[index]) << "block " << index;
	}
	ASSERT_TRUE(demo.Seek(DemoSignal::kTotalFrames + 5));
	EXPECT_EQ(demo.Position(), DemoSignal::kTotalFrames);
	EXPECT_FALSE(demo.NextBlock(block));
}
