// The needle meter through a whole programme, its pictures compared with ones
// worked out here from the meter's rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "meters/Canvas.h"
#include "meters/GoldenProgram.h"
#include "meters/MeterWindowTest.h"
#include "support/MeasureLevelsReference.h"

namespace {

constexpr rgb_color kWhite = {255, 255, 255, 255};

// What a needle meter window of bounds 0, 0, width, height shows after each
// block: needles are erased by stroking them again in white, only when they
// move, both erases before both draws.
class NeedlePicture {
public:
	NeedlePicture(int32 width, int32 height)
	    : fWidth(width), fHeight(height), fCanvas(width + 1, height + 1, kWhite) {}

	void Feed(const Block& block) {
		const ChannelLevels levels = MeasureLevelsReference(block.data(), kBlockValues, 100, 32);
		const uint32 level[2] = {levels.left, levels.right};
		const int32 fall = std::max(1, fWidth / 120);
		const int32 pivot[2] = {fWidth / 4, fWidth - fWidth / 4};
		int32 tip[2];
		for (int channel = 0; channel < 2; ++channel) {
			const int32 target = int32(uint64_t(fWidth) * level[channel] / 131072) + channel * (fWidth / 2);
			tip[channel] = std::max(target, fTip[channel] - fall);
		}
		for (int channel = 0; channel < 2; ++channel)
			if (tip[channel] != fTip[channel])
				fCanvas.StrokeLine(float(pivot[channel]), float(fHeight), float(fTip[channel]), 0, kWhite);
		for (int channel = 0; channel < 2; ++channel)
			if (tip[channel] != fTip[channel]) {
				const rgb_color red = {uint8(level[channel] / 256), 0, 0, 255};
				fCanvas.StrokeLine(float(pivot[channel]), float(fHeight), float(tip[channel]), 0, red);
				fTip[channel] = tip[channel];
			}
	}

	const Canvas& Picture() const { return fCanvas; }

private:
	int32 fWidth;
	int32 fHeight;
	Canvas fCanvas;
	int32 fTip[2] = {-1, -1};
};

class NeedleMeterPicturesTest : public MeterWindowTest {
protected:
	void Play(int32 width, int32 height) { PlayGoldenProgram<NeedlePicture>(width, height); }
};

} // namespace

TEST_F(NeedleMeterPicturesTest, WholeProgrammeInAWideOddWindow) { Play(241, 120); }

TEST_F(NeedleMeterPicturesTest, WholeProgrammeInAWideWindow) { Play(200, 100); }

TEST_F(NeedleMeterPicturesTest, WholeProgrammeInANarrowWindow) { Play(37, 150); }
