// The pixels of one window, and the primitive drawing operations on them.
//
// Pixel rule: pixel (i, j) is the unit square [i, i+1) x [j, j+1); a
// coordinate v lies in pixel floor(v). So a rectangle covers the pixels from
// floor(left) to floor(right) and floor(top) to floor(bottom), both edges
// included, and a rectangle whose left lies right of its right, or whose top
// lies below its bottom, covers nothing. A line covers floor() of both end
// points and, between them, one pixel per step along its longer axis, each
// computed from the end points alone, so the same end points always give the
// same pixels, however the line is clipped. Coordinates that are not finite
// draw nothing.
//
// Every operation is clipped to the buffer and to the given clip rectangle.
// Pixels are stored as rgb_color (red, green, blue, alpha bytes in that
// order); plain drawing copies the colour, alpha included. Not thread-safe:
// the owning window's lock serialises all use.
#pragma once

#include <string>
#include <vector>

#include <GraphicsDefs.h>
#include <Rect.h>

// An inclusive integer rectangle; empty when right < left or bottom < top.
struct PixelRect {
	int32 left = 0;
	int32 top = 0;
	int32 right = -1;
	int32 bottom = -1;

	bool IsEmpty() const { return right < left || bottom < top; }
	PixelRect Intersect(const PixelRect& other) const;
	bool operator==(const PixelRect&) const = default;
};

class Framebuffer {
public:
	Framebuffer() = default;
	Framebuffer(int32 width, int32 height, rgb_color fill);

	// Keeps the pixels in the overlap; new pixels take `fill`.
	void Resize(int32 width, int32 height, rgb_color fill);
	int32 Width() const { return fWidth; }
	int32 Height() const { return fHeight; }
	PixelRect Bounds() const { return {0, 0, fWidth - 1, fHeight - 1}; }
	const rgb_color* Row(int32 y) const { return fPixels.data() + size_t(y) * size_t(fWidth); }
	// A row to draw into: the pixels take a new Version().
	rgb_color* Row(int32 y);
	// Changes whenever pixels may have been written: each row taken for
	// drawing and each Resize gives a number no buffer of the process had
	// before, so that a reader can tell a picture it has already seen.
	uint64 Version() const { return fVersion; }
	rgb_color PixelAt(int32 x, int32 y) const;

	// Drawing; coordinates are the buffer's own.
	void FillRect(BRect rect, rgb_color color, const PixelRect& clip);
	void FillPixels(const PixelRect& rect, rgb_color color);
	void StrokeLine(BPoint from, BPoint to, rgb_color color, const PixelRect& clip);
	void StrokeRect(BRect rect, rgb_color color, const PixelRect& clip);
	void FillEllipse(BRect rect, rgb_color color, const PixelRect& clip);
	void StrokeEllipse(BRect rect, rgb_color color, const PixelRect& clip);
	void FillTriangle(BPoint a, BPoint b, BPoint c, rgb_color color, const PixelRect& clip);
	// Blends `color` over the pixel with the given coverage (0 to 255), as
	// anti-aliased text needs; the pixel's alpha becomes opaque.
	void BlendPixel(int32 x, int32 y, rgb_color color, uint8 coverage, const PixelRect& clip);

	// Writes an 8-bit RGBA PNG; false on any failure (the message in `error`).
	bool WritePng(const char* path, std::string* error = nullptr) const;

private:
	int32 fWidth = 0;
	int32 fHeight = 0;
	std::vector<rgb_color> fPixels;
	uint64 fVersion = 0;
};
