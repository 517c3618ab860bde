// Converts RGBA frames to the planes of a 4:2:0 frame (BT.601, video range).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Y for every pixel, then Cb and Cr for every 2 x 2 block, sampled at its
// centre; for odd sizes the last row and column of chroma cover one pixel
// row or column. Each sample is the one the plain per-pixel formulas give,
// byte for byte.
//
// Meter frames are mostly rows repeated and runs of one colour, so a row
// equal to the one above is copied, runs are found several pixels at a time
// and each colour's samples are remembered rather than worked out again.
//
// [one thread at a time]
class Yuv420Converter {
public:
	Yuv420Converter(int width, int height);

	// Bytes of the three planes together.
	size_t Size() const { return lumaSize_ + 2 * chromaSize_; }
	// `rgba` holds the frame's rows, `stride` bytes apart, 4 bytes a pixel
	// in the order red, green, blue, alpha (ignored: frames are opaque);
	// `planes` takes Size() bytes.
	void Convert(const uint8_t* rgba, size_t stride, uint8_t* planes);

private:
	// The samples of one colour, remembered by hash of the pixel; luma and
	// chroma apart, as a pixel among others needs its luma alone.
	struct Luma {
		uint32_t pixel = 0;
		bool known = false;
		uint8_t y = 0;
	};
	struct Chroma {
		uint32_t pixel = 0;
		bool known = false;
		uint8_t cb = 0, cr = 0;
	};

	void ConvertLumaRow(const uint8_t* pixels, uint8_t* y);
	void ConvertChromaRows(const uint8_t* top, const uint8_t* bottom, size_t rows, uint8_t* cb, uint8_t* cr);
	// One block of `rows` x `columns` pixels.
	void ConvertBlock(const uint8_t* top, const uint8_t* bottom, size_t rows, size_t columns, uint8_t* cb,
	                  uint8_t* cr);
	uint8_t LumaOf(uint32_t pixel);
	const Chroma& ChromaOf(uint32_t pixel);

	size_t width_, height_;
	size_t chromaWidth_;
	size_t lumaSize_, chromaSize_;
	std::vector<bool> sameAsAbove_; // per row of the frame being converted
	std::array<Luma, 1024> lumas_{};
	std::array<Chroma, 1024> chromas_{};
};
