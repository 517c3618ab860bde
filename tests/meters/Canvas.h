// A plain picture for the tests to draw expected images on, following the
// display's pixel rule: a coordinate v lies in pixel floor(v); a rectangle
// covers its edges and nothing when inverted; a line covers one pixel per
// step along its longer axis, at the other coordinate's exact value rounded
// half up. Everything is clipped to the picture.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <GraphicsDefs.h>

#include "meters/MeterWindowTest.h"

class Canvas {
public:
	Canvas(int32 width, int32 height, rgb_color fill)
	    : fWidth(width), fHeight(height), fPixels(size_t(width) * size_t(height), fill) {}

	rgb_color At(int32 x, int32 y) const { return fPixels[size_t(y) * size_t(fWidth) + size_t(x)]; }

	void Set(int64_t x, int64_t y, rgb_color colour) {
		if (x >= 0 && x < fWidth && y >= 0 && y < fHeight)
			fPixels[size_t(y) * size_t(fWidth) + size_t(x)] = colour;
	}

	void FillRect(float left, float top, float right, float bottom, rgb_color colour) {
		if (left > right || top > bottom) return;
		for (int64_t y = int64_t(std::floor(top)); y <= int64_t(std::floor(bottom)); ++y)
			for (int64_t x = int64_t(std::floor(left)); x <= int64_t(std::floor(right)); ++x)
				Set(x, y, colour);
	}

	void StrokeLine(float x0f, float y0f, float x1f, float y1f, rgb_color colour) {
		int64_t x0 = int64_t(std::floor(x0f)), y0 = int64_t(std::floor(y0f));
		int64_t x1 = int64_t(std::floor(x1f)), y1 = int64_t(std::floor(y1f));
		const bool xMajor = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
		if ((xMajor && x0 > x1) || (!xMajor && y0 > y1)) {
			std::swap(x0, x1);
			std::swap(y0, y1);
		}
		const int64_t steps = xMajor ? x1 - x0 : y1 - y0;
		const int64_t drift = xMajor ? y1 - y0 : x1 - x0;
		for (int64_t i = 0; i <= steps; ++i) {
			// round(i × drift / steps), halves up: floor((2 i drift + steps) / (2 steps)).
			const int64_t numerator = 2 * i * drift + steps;
			const int64_t denominator = 2 * std::max<int64_t>(steps, 1);
			int64_t offset = numerator / denominator;
			if (numerator % denominator != 0 && numerator < 0) --offset;
			if (xMajor)
				Set(x0 + i, y0 + offset, colour);
			else
				Set(x0 + offset, y0 + i, colour);
		}
	}

	// How many pixels differ from the window's, and where the first one is.
	std::string Compare(const Image& image) const {
		if (image.width != fWidth || image.height != fHeight)
			return "size " + std::to_string(image.width) + " x " + std::to_string(image.height);
		int64_t differences = 0;
		std::string first;
		for (int32 y = 0; y < fHeight; ++y)
			for (int32 x = 0; x < fWidth; ++x)
				if (!(image.At(x, y) == At(x, y)) && differences++ == 0) {
					const rgb_color got = image.At(x, y), want = At(x, y);
					first = " first at " + std::to_string(x) + ", " + std::to_string(y) + ": got " +
					        std::to_string(got.red) + "," + std::to_string(got.green) + "," +
					        std::to_string(got.blue) + "," + std::to_string(got.alpha) + " want " +
					        std::to_string(want.red) + "," + std::to_string(want.green) + "," +
					        std::to_string(want.blue) + "," + std::to_string(want.alpha);
				}
		return differences == 0 ? "" : std::to_string(differences) + " pixels differ," + first;
	}

private:
	int32 fWidth;
	int32 fHeight;
	std::vector<rgb_color> fPixels;
};
