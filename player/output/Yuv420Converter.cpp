#include "output/Yuv420Converter.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// std::lround of the value clamped to 0..255, without the library calls: the
// fraction of a value in that range is exact, and it is never negative.
uint8_t Clamp(double value) {
	value = std::min(255.0, std::max(0.0, value));
	const auto whole = static_cast<int>(value);
	return static_cast<uint8_t>(whole + (value - whole >= 0.5));
}

// BT.601 coefficients scaled to video range: Y 16..235, Cb and Cr 16..240.
uint8_t Luma(double r, double g, double b) {
	return Clamp(16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0);
}

uint8_t BlueDifference(double r, double g, double b) {
	return Clamp(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
}

uint8_t RedDifference(double r, double g, double b) {
	return Clamp(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
}

uint32_t PixelAt(const uint8_t* pixel) {
	uint32_t value;
	std::memcpy(&value, pixel, sizeof value);
	return value;
}

constexpr size_t kGroup = 8; // pixels looked at together for a run

// Whether the `kGroup` pixels from `pixels` on are all `pixel`.
bool GroupIs(const uint8_t* pixels, uint32_t pixel) {
#if defined(__SSE2__)
	const __m128i wanted = _mm_set1_epi32(static_cast<int>(pixel));
	const __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)), wanted);
	const __m128i high =
	    _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16)), wanted);
	return _mm_movemask_epi8(_mm_and_si128(low, high)) == 0xffff;
#else
	bool same = true;
	for (size_t i = 0; i < kGroup; i++)
		same &= PixelAt(pixels + 4 * i) == pixel;
	return same;
#endif
}

} // namespace

Yuv420Converter::Yuv420Converter(int width, int height)
    : width_(static_cast<size_t>(width)), height_(static_cast<size_t>(height)),
      chromaWidth_((width_ + 1) / 2), lumaSize_(width_ * height_),
      chromaSize_(chromaWidth_ * ((height_ + 1) / 2)), sameAsAbove_(height_) {}

namespace {

size_t Slot(uint32_t pixel) { return (pixel * 0x9e3779b1u) >> 22; }

} // namespace

uint8_t Yuv420Converter::LumaOf(uint32_t pixel) {
	Luma& luma = lumas_[Slot(pixel)];
	if (!luma.known || luma.pixel != pixel) {
		uint8_t rgb[4];
		std::memcpy(rgb, &pixel, sizeof rgb);
		luma = {pixel, true, ::Luma(rgb[0], rgb[1], rgb[2])};
	}
	return luma.y;
}

const Yuv420Converter::Chroma& Yuv420Converter::ChromaOf(uint32_t pixel) {
	Chroma& chroma = chromas_[Slot(pixel)];
	if (!chroma.known || chroma.pixel != pixel) {
		uint8_t rgb[4];
		std::memcpy(rgb, &pixel, sizeof rgb);
		chroma = {pixel, true, BlueDifference(rgb[0], rgb[1], rgb[2]), RedDifference(rgb[0], rgb[1], rgb[2])};
	}
	return chroma;
}

void Yuv420Converter::Convert(const uint8_t* rgba, size_t stride, uint8_t* planes) {
	for (size_t row = 0; row < height_; row++) {
		const uint8_t* pixels = rgba + stride * row;
		uint8_t* y = planes + width_ * row;
		sameAsAbove_[row] = row > 0 && std::memcmp(pixels, pixels - stride, width_ * 4) == 0;
		if (sameAsAbove_[row])
			std::memcpy(y, y - width_, width_);
		else
			ConvertLumaRow(pixels, y);
	}
	uint8_t* cb = planes + lumaSize_;
	uint8_t* cr = cb + chromaSize_;
	for (size_t row = 0; row < height_; row += 2) {
		const size_t at = row / 2 * chromaWidth_;
		const size_t rows = row + 1 < height_ ? 2 : 1;
		// Rows row - 2 to row + rows - 1 all alike: the same as the chroma row above.
		bool repeated = row > 0 && sameAsAbove_[row - 1] && sameAsAbove_[row];
		if (rows == 2) repeated = repeated && sameAsAbove_[row + 1];
		if (repeated) {
			std::memcpy(cb + at, cb + at - chromaWidth_, chromaWidth_);
			std::memcpy(cr + at, cr + at - chromaWidth_, chromaWidth_);
			continue;
		}
		const uint8_t* top = rgba + stride * row;
		ConvertChromaRows(top, top + stride * (rows - 1), rows, cb + at, cr + at);
	}
}

void Yuv420Converter::ConvertLumaRow(const uint8_t* pixels, uint8_t* y) {
	uint32_t run = PixelAt(pixels);
	uint8_t luma = LumaOf(run);
	for (size_t column = 0; column < width_;) {
		if (column + kGroup <= width_ && GroupIs(pixels + 4 * column, run)) {
			std::memset(y + column, luma, kGroup);
			column += kGroup;
			continue;
		}
		for (const size_t end = std::min(column + kGroup, width_); column < end; column++) {
			const uint32_t pixel = PixelAt(pixels + 4 * column);
			if (pixel != run) {
				run = pixel;
				luma = LumaOf(run);
			}
			y[column] = luma;
		}
	}
}

void Yuv420Converter::ConvertChromaRows(const uint8_t* top, const uint8_t* bottom, size_t rows, uint8_t* cb,
                                        uint8_t* cr) {
	// A block whose pixels match the block before reuses its samples; so do
	// whole groups of blocks while they are made of one colour above and
	// one below, as the block before them was.
	uint32_t lastTop[2] = {0, 0};
	uint32_t lastBottom[2] = {0, 0};
	bool haveLast = false;
	for (size_t column = 0; column < width_; column += 2) {
		const size_t columns = column + 1 < width_ ? 2 : 1;
		const uint32_t nowTop[2] = {PixelAt(top + 4 * column), PixelAt(top + 4 * (column + columns - 1))};
		const uint32_t nowBottom[2] = {PixelAt(bottom + 4 * column),
		                               PixelAt(bottom + 4 * (column + columns - 1))};
		const size_t index = column / 2;
		if (haveLast && columns == 2 && std::memcmp(nowTop, lastTop, sizeof nowTop) == 0 &&
		    std::memcmp(nowBottom, lastBottom, sizeof nowBottom) == 0) {
			cb[index] = cb[index - 1];
			cr[index] = cr[index - 1];
		} else {
			std::memcpy(lastTop, nowTop, sizeof nowTop);
			std::memcpy(lastBottom, nowBottom, sizeof nowBottom);
			haveLast = true;
			ConvertBlock(top + 4 * column, bottom + 4 * column, rows, columns, cb + index, cr + index);
		}
		if (columns != 2 || nowTop[0] != nowTop[1] || nowBottom[0] != nowBottom[1]) continue;
		size_t next = column + 2;
		while (next + kGroup <= width_ && GroupIs(top + 4 * next, nowTop[0]) &&
		       GroupIs(bottom + 4 * next, nowBottom[0])) {
			std::memset(cb + next / 2, cb[index], kGroup / 2);
			std::memset(cr + next / 2, cr[index], kGroup / 2);
			next += kGroup;
		}
		column = next - 2;
	}
}

void Yuv420Converter::ConvertBlock(const uint8_t* top, const uint8_t* bottom, size_t rows, size_t columns,
                                   uint8_t* cb, uint8_t* cr) {
	const uint32_t pixel = PixelAt(top);
	if (pixel == PixelAt(top + 4 * (columns - 1)) && pixel == PixelAt(bottom) &&
	    pixel == PixelAt(bottom + 4 * (columns - 1))) {
		const Chroma& chroma = ChromaOf(pixel);
		*cb = chroma.cb;
		*cr = chroma.cr;
		return;
	}
	double r = 0, g = 0, b = 0;
	for (size_t dy = 0; dy < rows; dy++) {
		const uint8_t* line = dy == 0 ? top : bottom;
		for (size_t dx = 0; dx < columns; dx++) {
			r += line[4 * dx];
			g += line[4 * dx + 1];
			b += line[4 * dx + 2];
		}
	}
	const double count = static_cast<double>(rows * columns);
	*cb = BlueDifference(r / count, g / count, b / count);
	*cr = RedDifference(r / count, g / count, b / count);
}
