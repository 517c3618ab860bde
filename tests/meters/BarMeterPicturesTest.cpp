// The bar meter through a whole programme, its pictures compared with ones
// worked out here from the meter's rules, row by row.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "meters/BarMeterWindowTest.h"
#include "meters/Canvas.h"
#include "meters/GoldenProgram.h"
#include "support/MeasureLevelsReference.h"

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kGreen = {0, 255, 0, 255};

// What a bar meter window of bounds 0, 0, width, height shows after each
// block. Bar tops are floats; the gradient works on tops truncated toward
// zero, the erase strips and top lines on the display's pixel rule.
class BarPicture {
public:
	BarPicture(int32 width, int32 height)
	    : fWidth(width), fHeight(height), fCanvas(width + 1, height + 1, kBlack), fPos{height, height} {}

	void Feed(const Block& block) {
		const ChannelLevels levels = MeasureLevelsReference(block.data(), kBlockValues, 100, 26);
		const float tops[2] = {Approach(levels.left, fPos[0]), Approach(levels.right, fPos[1])};
		if (++fCalls % 3 == 0) Draw(tops);
		for (int channel = 0; channel < 2; ++channel)
			fPos[channel] = int32(std::trunc(tops[channel]));
	}

	const Canvas& Picture() const { return fCanvas; }

private:
	float Approach(uint32 level, int32 pos) const {
		const float target = float(fHeight - double(level) / 25535.0 * fHeight);
		const int32 step = std::max(1, fHeight / 80);
		return std::clamp(target, float(pos - step), float(pos + step));
	}

	void Draw(const float tops[2]) {
		const int32 half = fWidth / 2;
		// Columns of each bar's erase and body, and of its top line.
		const int32 erase[2][2] = {{0, half - 1}, {half, fWidth}};
		const int32 body[2][2] = {{0, half - 1}, {half + 1, fWidth}};
		const int32 line[2][2] = {{1, half - 1}, {half + 1, fWidth - 1}};
		const int32 band = std::max(1, fHeight / 25);
		for (int channel = 0; channel < 2; ++channel)
			if (fLastTop[channel] <= tops[channel])
				PaintRows(erase[channel], int64_t(std::floor(fLastTop[channel])),
				          int64_t(std::floor(tops[channel])), [](int64_t) { return kBlack; });
		for (int channel = 0; channel < 2; ++channel) {
			const int32 top = int32(std::trunc(tops[channel]));
			const int32 height = fHeight - top;
			if (height < band) {
				PaintRows(body[channel], top, fHeight, [](int64_t) { return kGreen; });
				continue;
			}
			const int32 bands = height / band;
			const int32 increment = -255 / bands;
			const int32 stripBottom = fHeight - bands * band;
			PaintRows(body[channel], top, fHeight, [&](int64_t y) {
				if (y <= stripBottom) return kBlack;
				const int32 k = int32((fHeight - y) / band);
				return rgb_color{0, uint8(255 + k * increment), 0, 255};
			});
		}
		for (int channel = 0; channel < 2; ++channel) {
			const int64_t row = int64_t(std::floor(tops[channel]));
			PaintRows(
			    {std::min(line[channel][0], line[channel][1]), std::max(line[channel][0], line[channel][1])},
			    row, row, [](int64_t) { return kGreen; });
			fLastTop[channel] = tops[channel];
		}
	}

	template <typename Colour>
	void PaintRows(const int32 (&columns)[2], int64_t first, int64_t last, Colour colour) {
		PaintRows(std::array<int32, 2>{columns[0], columns[1]}, first, last, colour);
	}
	template <typename Colour>
	void PaintRows(std::array<int32, 2> columns, int64_t first, int64_t last, Colour colour) {
		for (int64_t y = std::max<int64_t>(first, 0); y <= std::min<int64_t>(last, fHeight); ++y)
			for (int32 x = columns[0]; x <= columns[1]; ++x)
				fCanvas.Set(x, y, colour(y));
	}

	int32 fWidth;
	int32 fHeight;
	Canvas fCanvas;
	int32 fPos[2];
	float fLastTop[2] = {0.0f, 0.0f};
	int64_t fCalls = 0;
};

class BarMeterPicturesTest : public BarMeterWindowTest {
protected:
	void Play(int32 width, int32 height) { PlayGoldenProgram<BarPicture>(width, height); }
};

} // namespace

TEST_F(BarMeterPicturesTest, WholeProgrammeInAnOddSizedWindow) { Play(161, 303); }

TEST_F(BarMeterPicturesTest, WholeProgrammeInATallWindow) { Play(199, 399); }

TEST_F(BarMeterPicturesTest, WholeProgrammeInALowWindow) { Play(60, 21); }
