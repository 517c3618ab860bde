#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <unistd.h>
#include <utility>

#include <gtest/gtest.h>
#include <png.h>

#include "server/Framebuffer.h"

namespace {

constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kRed = {255, 0, 0, 255};
constexpr PixelRect kEverywhere = {-1000000, -1000000, 1000000, 1000000};

using Pixels = std::set<std::pair<int32, int32>>;

Pixels PixelsOf(const Framebuffer& buffer, rgb_color color) {
	Pixels found;
	for (int32 y = 0; y < buffer.Height(); y++)
		for (int32 x = 0; x < buffer.Width(); x++)
			if (buffer.PixelAt(x, y) == color) found.insert({x, y});
	return found;
}

// The bounding box of the pixels of `color`; empty when there are none.
PixelRect BoxOf(const Framebuffer& buffer, rgb_color color) {
	PixelRect box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
	for (const auto& [x, y] : PixelsOf(buffer, color))
		box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
	return box.left == INT32_MAX ? PixelRect{} : box;
}

TEST(FramebufferTest, FillRectCoversFloorOfBothEdgesAndNothingWhenInverted) {
	Framebuffer buffer(300, 500, kWhite);
	buffer.FillRect({0, 0, 199, 399}, kBlack, kEverywhere);
	EXPECT_EQ(PixelsOf(buffer, kBlack).size(), 200u * 400u);
	EXPECT_EQ(BoxOf(buffer, kBlack), (PixelRect{0, 0, 199, 399}));

	buffer.FillRect({2.9f, 403.1f, 5.99f, 403.5f}, kRed, kEverywhere);
	EXPECT_EQ(BoxOf(buffer, kRed), (PixelRect{2, 403, 5, 403}));
	buffer.FillRect({10, 420, 30, 419}, kRed, kEverywhere);
	buffer.FillRect({30, 410, 10, 420}, kRed, kEverywhere);
	buffer.FillRect({5, 410.5f, 8, 410.25f}, kRed, kEverywhere); // inverted by a fraction only
	EXPECT_EQ(PixelsOf(buffer, kRed).size(), 4u);
}

TEST(FramebufferTest, DrawingStaysInsideClipAndBuffer) {
	Framebuffer buffer(40, 30, kWhite);
	const PixelRect clip = {10, 5, 19, 14};
	buffer.FillRect({-100, -100, 100, 100}, kBlack, clip);
	buffer.StrokeLine({-100, -90}, {100, 95}, kRed, clip);
	buffer.FillEllipse({0, 0, 39, 29}, kRed, clip);
	buffer.FillTriangle({-50, -50}, {90, 0}, {0, 90}, kRed, clip);
	for (int32 y = 0; y < 30; y++)
		for (int32 x = 0; x < 40; x++) {
			const bool inside = x >= 10 && x <= 19 && y >= 5 && y <= 14;
			if (!inside) {
				EXPECT_EQ(buffer.PixelAt(x, y), kWhite) << x << "," << y;
			}
		}
	buffer.FillRect({-100, -100, 100, 100}, kBlack, kEverywhere);
	EXPECT_EQ(PixelsOf(buffer, kBlack).size(), 40u * 30u);
}

TEST(FramebufferTest, EmptyBufferAndEmptyClipDrawNothingSafely) {
	Framebuffer empty(0, 0, kWhite);
	empty.FillRect({0, 0, 10, 10}, kBlack, kEverywhere);
	empty.StrokeLine({0, 0}, {10, 10}, kBlack, kEverywhere);
	empty.FillEllipse({0, 0, 10, 10}, kBlack, kEverywhere);
	empty.BlendPixel(0, 0, kBlack, 255, kEverywhere);
	EXPECT_EQ(empty.Bounds(), (PixelRect{0, 0, -1, -1}));
	std::string error;
	EXPECT_FALSE(empty.WritePng("/tmp/never-written.png", &error));
	EXPECT_FALSE(error.empty());

	Framebuffer buffer(10, 10, kWhite);
	buffer.FillRect({0, 0, 9, 9}, kBlack, PixelRect{});
	buffer.StrokeLine({0, 0}, {9, 9}, kBlack, PixelRect{});
	EXPECT_TRUE(PixelsOf(buffer, kBlack).empty());
}

TEST(FramebufferTest, ResizeKeepsTheOverlapAndFillsTheRest) {
	Framebuffer buffer(4, 3, kWhite);
	buffer.FillRect({0, 0, 3, 2}, kBlack, kEverywhere);
	buffer.Resize(6, 2, kRed);
	EXPECT_EQ(PixelsOf(buffer, kBlack).size(), 4u * 2u);
	EXPECT_EQ(PixelsOf(buffer, kRed).size(), 2u * 2u);
}

TEST(FramebufferTest, PlainDrawingCopiesAlphaAndBlendingMakesItOpaque) {
	Framebuffer buffer(4, 4, {0, 0, 0, 0});
	const rgb_color translucent = {10, 20, 30, 40};
	buffer.FillRect({0, 0, 0, 0}, translucent, kEverywhere);
	buffer.StrokeLine({1, 1}, {1, 1}, translucent, kEverywhere);
	EXPECT_EQ(buffer.PixelAt(0, 0), translucent);
	EXPECT_EQ(buffer.PixelAt(1, 1), translucent);

	Framebuffer white(2, 1, {255, 255, 255, 0});
	white.BlendPixel(0, 0, kBlack, 255, kEverywhere);
	white.BlendPixel(1, 0, kBlack, 128, kEverywhere);
	EXPECT_EQ(white.PixelAt(0, 0), kBlack);
	EXPECT_EQ(white.PixelAt(1, 0), (rgb_color{127, 127, 127, 255}));
	white.BlendPixel(1, 0, kBlack, 255, PixelRect{0, 0, 0, 0});
	EXPECT_EQ(white.PixelAt(1, 0), (rgb_color{127, 127, 127, 255}));
}

struct Line {
	BPoint from;
	BPoint to;
};

// Needles from a bottom pivot to the top row, and lines of every slope.
const Line kLines[] = {
    {{50, 100}, {0, 0}},      {{50, 100}, {-1, 0}}, {{150, 100}, {199, 0}},           {{50, 100}, {50, 0}},
    {{0, 0}, {199, 7}},       {{3, 90}, {180, 2}},  {{10.7f, 20.2f}, {11.3f, 80.9f}}, {{120, 30}, {120, 30}},
    {{-40, 150}, {240, -60}},
};

TEST(StrokeLineTest, CoversBothEndPointsAndOnePixelPerStep) {
	for (const Line& line : kLines) {
		Framebuffer buffer(200, 101, kWhite);
		buffer.StrokeLine(line.from, line.to, kBlack, kEverywhere);
		const Pixels pixels = PixelsOf(buffer, kBlack);
		const auto inside = [](BPoint p) { return p.x >= 0 && p.x < 200 && p.y >= 0 && p.y < 101; };
		for (BPoint end : {line.from, line.to}) {
			if (inside(end)) {
				EXPECT_TRUE(pixels.count({int32(std::floor(end.x)), int32(std::floor(end.y))}))
				    << end.x << "," << end.y;
			}
		}
		// Every covered pixel lies within half a pixel, along the minor
		// axis, of the ideal line through the centres of the end pixels.
		const double x0 = std::floor(line.from.x) + 0.5, y0 = std::floor(line.from.y) + 0.5;
		const double x1 = std::floor(line.to.x) + 0.5, y1 = std::floor(line.to.y) + 0.5;
		const bool xMajor = std::fabs(x1 - x0) >= std::fabs(y1 - y0);
		std::set<int32> majors;
		for (const auto& [x, y] : pixels) {
			const double cx = x + 0.5, cy = y + 0.5;
			if (x0 == x1 && y0 == y1) {
				EXPECT_EQ(cx, x0);
				EXPECT_EQ(cy, y0);
			} else if (xMajor) {
				EXPECT_LE(std::fabs(y0 + (cx - x0) * (y1 - y0) / (x1 - x0) - cy), 0.5) << x << "," << y;
			} else {
				EXPECT_LE(std::fabs(x0 + (cy - y0) * (x1 - x0) / (y1 - y0) - cx), 0.5) << x << "," << y;
			}
			EXPECT_TRUE(majors.insert(xMajor ? x : y).second)
			    << "two pixels on one step at " << x << "," << y;
		}
	}
}

TEST(StrokeLineTest, SameEndPointsGiveSamePixelsInEitherDirection) {
	for (const Line& line : kLines) {
		Framebuffer first(200, 101, kWhite), again(200, 101, kWhite), reversed(200, 101, kWhite);
		first.StrokeLine(line.from, line.to, kBlack, kEverywhere);
		again.StrokeLine(line.from, line.to, kBlack, kEverywhere);
		reversed.StrokeLine(line.to, line.from, kBlack, kEverywhere);
		EXPECT_EQ(PixelsOf(first, kBlack), PixelsOf(again, kBlack));
		EXPECT_EQ(PixelsOf(first, kBlack), PixelsOf(reversed, kBlack));
	}
}

TEST(StrokeLineTest, RestrokingInWhiteErasesTheNeedleWhole) {
	Framebuffer buffer(201, 101, kWhite);
	for (int32 tip = -1; tip <= 200; tip += 7) {
		buffer.StrokeLine({50, 100}, {float(tip), 0}, {200, 0, 0, 255}, kEverywhere);
		buffer.StrokeLine({50, 100}, {float(tip), 0}, kWhite, kEverywhere);
	}
	EXPECT_EQ(PixelsOf(buffer, kWhite).size(), 201u * 101u);
}

TEST(StrokeLineTest, ClippingNeverMovesTheVisiblePixels) {
	for (const Line& line : kLines) {
		Framebuffer whole(200, 101, kWhite);
		whole.StrokeLine(line.from, line.to, kBlack, kEverywhere);
		const PixelRect clip = {37, 12, 151, 77};
		Framebuffer clipped(200, 101, kWhite);
		clipped.StrokeLine(line.from, line.to, kBlack, clip);
		Pixels expected;
		for (const auto& [x, y] : PixelsOf(whole, kBlack))
			if (x >= clip.left && x <= clip.right && y >= clip.top && y <= clip.bottom)
				expected.insert({x, y});
		EXPECT_EQ(PixelsOf(clipped, kBlack), expected);

		// The same line in a buffer that is larger on every side, shifted to
		// match, covers the same pixels where the two buffers overlap.
		Framebuffer larger(400, 301, kWhite);
		larger.StrokeLine(line.from + BPoint(100, 100), line.to + BPoint(100, 100), kBlack, kEverywhere);
		Pixels shifted;
		for (const auto& [x, y] : PixelsOf(larger, kBlack))
			if (x >= 100 && x < 300 && y >= 100 && y < 201) shifted.insert({x - 100, y - 100});
		EXPECT_EQ(PixelsOf(whole, kBlack), shifted);
	}
}

TEST(StrokeLineTest, HugeCoordinatesDrawTheVisiblePartAndNonFiniteNothing) {
	Framebuffer buffer(100, 100, kWhite);
	buffer.StrokeLine({-1e6f, -1e6f}, {1e6f, 1e6f}, kBlack, kEverywhere);
	buffer.StrokeLine({-1e30f, -1e30f}, {1e30f, 1e30f}, kRed, kEverywhere);
	for (int32 i = 0; i < 100; i++)
		EXPECT_EQ(buffer.PixelAt(i, i), kRed) << i;
	EXPECT_EQ(PixelsOf(buffer, kRed).size(), 100u);
	EXPECT_TRUE(PixelsOf(buffer, kBlack).empty());

	Framebuffer other(100, 100, kWhite);
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	other.StrokeLine({nan, 0}, {50, 50}, kBlack, kEverywhere);
	other.StrokeLine({0, 0}, {inf, 50}, kBlack, kEverywhere);
	other.FillRect({0, 0, nan, 50}, kBlack, kEverywhere);
	other.FillRect({-inf, 0, 50, 50}, kBlack, kEverywhere);
	other.FillEllipse({0, 0, nan, 50}, kBlack, kEverywhere);
	other.FillTriangle({0, 0}, {nan, 50}, {50, 50}, kBlack, kEverywhere);
	EXPECT_TRUE(PixelsOf(other, kBlack).empty());
	other.FillRect({-1e30f, -1e30f, 1e30f, 1e30f}, kBlack, kEverywhere);
	other.FillEllipse({-1e30f, -1e30f, 1e30f, 1e30f}, kRed, kEverywhere);
	other.FillTriangle({-1e30f, -1e30f}, {1e30f, -1e30f}, {0, 1e30f}, kRed, kEverywhere);
	EXPECT_EQ(PixelsOf(other, kRed).size(), 100u * 100u);
}

TEST(ShapeTest, EllipseFitsItsRectAndStrokeIsItsRim) {
	Framebuffer filled(40, 40, kWhite), stroked(40, 40, kWhite);
	filled.FillEllipse({5, 8, 24, 19}, kBlack, kEverywhere);
	stroked.StrokeEllipse({5, 8, 24, 19}, kBlack, kEverywhere);
	EXPECT_EQ(BoxOf(filled, kBlack), (PixelRect{5, 8, 24, 19}));
	EXPECT_EQ(BoxOf(stroked, kBlack), (PixelRect{5, 8, 24, 19}));
	EXPECT_EQ(filled.PixelAt(5, 8), kWhite); // corners are outside
	const Pixels rim = PixelsOf(stroked, kBlack);
	const Pixels disc = PixelsOf(filled, kBlack);
	EXPECT_FALSE(rim.count({15, 13})); // the middle stays empty
	for (const auto& pixel : rim)
		EXPECT_TRUE(disc.count(pixel));
	EXPECT_LT(rim.size(), disc.size() / 2);
}

TEST(ShapeTest, TriangleCoversItsCornersAndCentreOnly) {
	Framebuffer buffer(40, 40, kWhite);
	buffer.FillTriangle({5, 30}, {20, 5}, {35, 30}, kBlack, kEverywhere);
	EXPECT_EQ(BoxOf(buffer, kBlack), (PixelRect{5, 5, 35, 30}));
	EXPECT_EQ(buffer.PixelAt(20, 20), kBlack);
	EXPECT_EQ(buffer.PixelAt(6, 6), kWhite);
	EXPECT_EQ(buffer.PixelAt(34, 6), kWhite);
}

TEST(WritePngTest, WritesPixelsThatReadBackTheSame) {
	Framebuffer buffer(7, 5, {1, 2, 3, 4});
	buffer.FillRect({2, 1, 4, 3}, kRed, kEverywhere);
	char path[] = "/tmp/framebuffer-test-XXXXXX";
	const int fd = mkstemp(path);
	ASSERT_GE(fd, 0);
	close(fd);
	std::string error;
	ASSERT_TRUE(buffer.WritePng(path, &error)) << error;

	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	ASSERT_TRUE(png_image_begin_read_from_file(&image, path)) << image.message;
	EXPECT_EQ(image.width, 7u);
	EXPECT_EQ(image.height, 5u);
	image.format = PNG_FORMAT_RGBA;
	std::vector<rgb_color> pixels(7 * 5);
	ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
	std::remove(path);
	for (int32 y = 0; y < 5; y++)
		for (int32 x = 0; x < 7; x++)
			EXPECT_EQ(pixels[size_t(y) * 7 + size_t(x)], buffer.PixelAt(x, y));

	EXPECT_FALSE(buffer.WritePng("/nonexistent-directory/out.png", &error));
	EXPECT_FALSE(error.empty());
}

} // namespace
