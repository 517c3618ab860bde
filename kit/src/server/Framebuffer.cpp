#include "server/Framebuffer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include <png.h>

namespace {

// Coordinates are clamped to this magnitude before they become integers: far
// beyond any buffer, yet small enough that the 64-bit line arithmetic below
// cannot overflow (2 * 2^29 * 2^29 < 2^63).
constexpr double kCoordLimit = double(1 << 28);

// The pixel that holds `v`; false when v is not finite.
bool ToPixel(float v, int64_t* pixel) {
	if (!std::isfinite(v)) return false;
	*pixel = int64_t(std::floor(std::clamp(double(v), -kCoordLimit, kCoordLimit)));
	return true;
}

uint64 NewVersion() {
	static std::atomic<uint64> last{0};
	return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

int64_t FloorDiv(int64_t a, int64_t b) {
	int64_t q = a / b;
	if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
	return q;
}

// The columns whose centres lie on row `row` inside the ellipse inscribed in
// the pixel rectangle [left, right] x [top, bottom]. At least the middle
// column is taken, so a thin ellipse still reaches its top and bottom rows.
struct Span {
	int64_t first;
	int64_t last;
	bool IsEmpty() const { return first > last; }
};

Span EllipseSpan(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t row) {
	if (row < top || row > bottom) return {1, 0};
	const double cx = (double(left) + double(right) + 1) / 2, rx = (double(right) - double(left) + 1) / 2;
	const double cy = (double(top) + double(bottom) + 1) / 2, ry = (double(bottom) - double(top) + 1) / 2;
	const double dy = (double(row) + 0.5 - cy) / ry;
	const double half = std::max(rx * std::sqrt(std::max(0.0, 1 - dy * dy)), 0.5);
	return {std::max(left, int64_t(std::ceil(cx - half - 0.5))),
	        std::min(right, int64_t(std::floor(cx + half - 0.5)))};
}

// The pixel edges of a rectangle and the rows of it inside `clip` and the
// buffer; false when it paints nothing.
bool PixelBounds(const Framebuffer& buffer, BRect rect, const PixelRect& clip, int64_t* left, int64_t* top,
                 int64_t* right, int64_t* bottom, PixelRect* area) {
	if (!(rect.left <= rect.right && rect.top <= rect.bottom)) return false;
	if (!ToPixel(rect.left, left) || !ToPixel(rect.top, top) || !ToPixel(rect.right, right) ||
	    !ToPixel(rect.bottom, bottom))
		return false;
	*area = clip.Intersect(buffer.Bounds());
	area->top = int32(std::max<int64_t>(area->top, *top));
	area->bottom = int32(std::min<int64_t>(area->bottom, *bottom));
	return !area->IsEmpty();
}

void FillSpan(Framebuffer& buffer, int32 y, Span span, rgb_color color, const PixelRect& area) {
	const int64_t first = std::max<int64_t>(span.first, area.left);
	const int64_t last = std::min<int64_t>(span.last, area.right);
	if (first <= last) std::fill(buffer.Row(y) + first, buffer.Row(y) + last + 1, color);
}

} // namespace

PixelRect PixelRect::Intersect(const PixelRect& other) const {
	return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
	        std::min(bottom, other.bottom)};
}

Framebuffer::Framebuffer(int32 width, int32 height, rgb_color fill) { Resize(width, height, fill); }

void Framebuffer::Resize(int32 width, int32 height, rgb_color fill) {
	width = std::max(width, 0);
	height = std::max(height, 0);
	std::vector<rgb_color> pixels(size_t(width) * size_t(height), fill);
	const int32 keepWidth = std::min(width, fWidth);
	const int32 keepHeight = keepWidth > 0 ? std::min(height, fHeight) : 0;
	for (int32 y = 0; y < keepHeight; y++)
		std::memcpy(pixels.data() + size_t(y) * size_t(width), Row(y), size_t(keepWidth) * sizeof(rgb_color));
	fPixels.swap(pixels);
	fWidth = width;
	fHeight = height;
	fVersion = NewVersion();
}

rgb_color* Framebuffer::Row(int32 y) {
	fVersion = NewVersion();
	return fPixels.data() + size_t(y) * size_t(fWidth);
}

rgb_color Framebuffer::PixelAt(int32 x, int32 y) const {
	if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return {0, 0, 0, 0};
	return Row(y)[x];
}

void Framebuffer::FillPixels(const PixelRect& rect, rgb_color color) {
	const PixelRect area = rect.Intersect(Bounds());
	if (area.IsEmpty()) return;
	const size_t count = size_t(area.right - area.left + 1);
	rgb_color* first = Row(area.top) + area.left;
	std::fill_n(first, count, color);
	for (int32 y = area.top + 1; y <= area.bottom; y++)
		std::memcpy(Row(y) + area.left, first, count * sizeof(rgb_color));
}

// Inverted rectangles are judged on the coordinates as given, so one that is
// inverted by a fraction of a pixel still paints nothing.
void Framebuffer::FillRect(BRect rect, rgb_color color, const PixelRect& clip) {
	int64_t left, top, right, bottom;
	PixelRect area;
	if (!PixelBounds(*this, rect, clip, &left, &top, &right, &bottom, &area)) return;
	area.left = int32(std::max<int64_t>(area.left, left));
	area.right = int32(std::min<int64_t>(area.right, right));
	FillPixels(area, color);
}

void Framebuffer::StrokeRect(BRect rect, rgb_color color, const PixelRect& clip) {
	if (!(rect.left <= rect.right && rect.top <= rect.bottom)) return;
	FillRect({rect.left, rect.top, rect.right, rect.top}, color, clip);
	FillRect({rect.left, rect.bottom, rect.right, rect.bottom}, color, clip);
	FillRect({rect.left, rect.top, rect.left, rect.bottom}, color, clip);
	FillRect({rect.right, rect.top, rect.right, rect.bottom}, color, clip);
}

// Step i of n along the major axis lands on minor = m0 + round(i * dminor / n),
// rounded half up in exact integer arithmetic. The end points are put in
// increasing major order first, so a line and its reverse cover the same
// pixels, and only the steps inside the clip are visited; the minor
// coordinate is carried from step to step as a quotient and remainder.
void Framebuffer::StrokeLine(BPoint from, BPoint to, rgb_color color, const PixelRect& clip) {
	int64_t x0, y0, x1, y1;
	if (!ToPixel(from.x, &x0) || !ToPixel(from.y, &y0) || !ToPixel(to.x, &x1) || !ToPixel(to.y, &y1)) return;
	const PixelRect area = clip.Intersect(Bounds());
	if (area.IsEmpty()) return;

	const bool xMajor = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
	int64_t major0 = xMajor ? x0 : y0, major1 = xMajor ? x1 : y1;
	int64_t minor0 = xMajor ? y0 : x0, minor1 = xMajor ? y1 : x1;
	if (major0 > major1) {
		std::swap(major0, major1);
		std::swap(minor0, minor1);
	}
	const int64_t majorLow = xMajor ? area.left : area.top, majorHigh = xMajor ? area.right : area.bottom;
	const int64_t minorLow = xMajor ? area.top : area.left, minorHigh = xMajor ? area.bottom : area.right;

	const int64_t n = major1 - major0;
	const int64_t dMinor = minor1 - minor0;
	const int64_t first = std::max<int64_t>(0, majorLow - major0);
	const int64_t last = std::min<int64_t>(n, majorHigh - major0);
	if (first > last) return;

	const int64_t denominator = 2 * std::max<int64_t>(n, 1);
	const int64_t numerator = 2 * first * dMinor + n;
	int64_t quotient = FloorDiv(numerator, denominator);
	int64_t remainder = numerator - quotient * denominator;
	for (int64_t i = first; i <= last; i++) {
		const int64_t minor = minor0 + quotient;
		if (minor >= minorLow && minor <= minorHigh) {
			const int64_t major = major0 + i;
			if (xMajor)
				Row(int32(minor))[major] = color;
			else
				Row(int32(major))[minor] = color;
		}
		remainder += 2 * dMinor;
		if (remainder >= denominator) {
			remainder -= denominator;
			quotient++;
		} else if (remainder < 0) {
			remainder += denominator;
			quotient--;
		}
	}
}

void Framebuffer::FillEllipse(BRect rect, rgb_color color, const PixelRect& clip) {
	int64_t left, top, right, bottom;
	PixelRect area;
	if (!PixelBounds(*this, rect, clip, &left, &top, &right, &bottom, &area)) return;
	for (int32 y = area.top; y <= area.bottom; y++)
		FillSpan(*this, y, EllipseSpan(left, top, right, bottom, y), color, area);
}

// A pixel of the ellipse belongs to the outline unless the rows above and
// below also hold its column and its own row goes on at both sides.
void Framebuffer::StrokeEllipse(BRect rect, rgb_color color, const PixelRect& clip) {
	int64_t left, top, right, bottom;
	PixelRect area;
	if (!PixelBounds(*this, rect, clip, &left, &top, &right, &bottom, &area)) return;
	for (int32 y = area.top; y <= area.bottom; y++) {
		const Span row = EllipseSpan(left, top, right, bottom, y);
		const Span above = EllipseSpan(left, top, right, bottom, int64_t(y) - 1);
		const Span below = EllipseSpan(left, top, right, bottom, int64_t(y) + 1);
		if (above.IsEmpty() || below.IsEmpty()) {
			FillSpan(*this, y, row, color, area);
			continue;
		}
		const int64_t innerFirst = std::max({row.first + 1, above.first, below.first});
		const int64_t innerLast = std::min({row.last - 1, above.last, below.last});
		if (innerFirst > innerLast) {
			FillSpan(*this, y, row, color, area);
			continue;
		}
		FillSpan(*this, y, {row.first, innerFirst - 1}, color, area);
		FillSpan(*this, y, {innerLast + 1, row.last}, color, area);
	}
}

// Each row is filled where its centre line crosses the triangle, and the
// edges are stroked too, so that thin triangles and the vertices are covered
// as a filled rectangle covers its edges.
void Framebuffer::FillTriangle(BPoint a, BPoint b, BPoint c, rgb_color color, const PixelRect& clip) {
	const BPoint corners[3] = {a, b, c};
	for (const BPoint& p : corners)
		if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
	double xs[3], ys[3];
	for (int k = 0; k < 3; k++) {
		xs[k] = std::clamp(double(corners[k].x), -kCoordLimit, kCoordLimit);
		ys[k] = std::clamp(double(corners[k].y), -kCoordLimit, kCoordLimit);
	}
	const double minY = std::min({ys[0], ys[1], ys[2]}), maxY = std::max({ys[0], ys[1], ys[2]});
	PixelRect area = clip.Intersect(Bounds());
	area.top = int32(std::max<double>(area.top, std::floor(minY)));
	area.bottom = int32(std::min<double>(area.bottom, std::floor(maxY)));
	for (int32 y = area.top; y <= area.bottom; y++) {
		const double lineY = std::clamp(y + 0.5, minY, maxY);
		double first = HUGE_VAL, last = -HUGE_VAL;
		for (int k = 0; k < 3; k++) {
			const int j = (k + 1) % 3;
			if (lineY < std::min(ys[k], ys[j]) || lineY > std::max(ys[k], ys[j])) continue;
			const double t = ys[k] == ys[j] ? 0 : (lineY - ys[k]) / (ys[j] - ys[k]);
			const double x = xs[k] + t * (xs[j] - xs[k]);
			const double other = ys[k] == ys[j] ? xs[j] : x;
			first = std::min({first, x, other});
			last = std::max({last, x, other});
		}
		if (first <= last)
			FillSpan(*this, y, {int64_t(std::floor(first)), int64_t(std::floor(last))}, color, area);
	}
	StrokeLine(a, b, color, clip);
	StrokeLine(b, c, color, clip);
	StrokeLine(c, a, color, clip);
}

void Framebuffer::BlendPixel(int32 x, int32 y, rgb_color color, uint8 coverage, const PixelRect& clip) {
	if (x < clip.left || x > clip.right || y < clip.top || y > clip.bottom) return;
	if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return;
	rgb_color& pixel = Row(y)[x];
	const auto mix = [coverage](uint8 over, uint8 under) {
		return uint8((over * coverage + under * (255 - coverage) + 127) / 255);
	};
	pixel = {mix(color.red, pixel.red), mix(color.green, pixel.green), mix(color.blue, pixel.blue), 255};
}

bool Framebuffer::WritePng(const char* path, std::string* error) const {
	const auto fail = [error](const char* message) {
		if (error) *error = message;
		return false;
	};
	if (fWidth == 0 || fHeight == 0) return fail("cannot write an empty image");
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(fWidth);
	image.height = png_uint_32(fHeight);
	image.format = PNG_FORMAT_RGBA;
	static_assert(sizeof(rgb_color) == 4, "rows are handed to libpng as packed RGBA bytes");
	if (!png_image_write_to_file(&image, path, 0, fPixels.data(), 0, nullptr)) {
		const std::string message = image.message;
		png_image_free(&image);
		return fail(message.c_str());
	}
	return true;
}
