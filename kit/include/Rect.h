// A rectangle given by its edges. A rectangle covers both of its edges: the
// rectangle 0, 0, 199, 399 is 200 pixels wide and 400 high. Width() and
// Height() are the edge differences (199 and 399 here), as on the platform.
//
// Values and constants only: nothing here crosses threads [any thread].
#pragma once

#include "Point.h"

class BE_EXPORT BRect {
public:
	float left = 0;
	float top = 0;
	float right = -1;
	float bottom = -1;

	constexpr BRect() = default;
	constexpr BRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
	constexpr BRect(BPoint leftTop, BPoint rightBottom)
	    : left(leftTop.x), top(leftTop.y), right(rightBottom.x), bottom(rightBottom.y) {}

	constexpr void Set(float l, float t, float r, float b) {
		left = l;
		top = t;
		right = r;
		bottom = b;
	}

	constexpr float Width() const { return right - left; }
	constexpr float Height() const { return bottom - top; }
	constexpr BPoint LeftTop() const { return {left, top}; }
	constexpr BPoint RightBottom() const { return {right, bottom}; }
	constexpr BPoint LeftBottom() const { return {left, bottom}; }
	constexpr BPoint RightTop() const { return {right, top}; }
	// False for an inverted rectangle.
	constexpr bool IsValid() const { return left <= right && top <= bottom; }

	BRect& OffsetBy(float dx, float dy) {
		left += dx;
		right += dx;
		top += dy;
		bottom += dy;
		return *this;
	}
	BRect& OffsetBy(BPoint delta) { return OffsetBy(delta.x, delta.y); }
	// Moves the left-top corner to the point; width and height stay.
	BRect& OffsetTo(float x, float y) { return OffsetBy(x - left, y - top); }
	BRect& OffsetTo(BPoint point) { return OffsetTo(point.x, point.y); }
	constexpr BRect OffsetByCopy(float dx, float dy) const {
		return {left + dx, top + dy, right + dx, bottom + dy};
	}
	constexpr BRect OffsetToCopy(float x, float y) const { return OffsetByCopy(x - left, y - top); }
	BRect& InsetBy(float dx, float dy) {
		left += dx;
		right -= dx;
		top += dy;
		bottom -= dy;
		return *this;
	}
	constexpr BRect InsetByCopy(float dx, float dy) const {
		return {left + dx, top + dy, right - dx, bottom - dy};
	}

	constexpr bool Contains(BPoint p) const {
		return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
	}
	constexpr bool Intersects(const BRect& r) const {
		return IsValid() && r.IsValid() && r.left <= right && r.right >= left && r.top <= bottom &&
		       r.bottom >= top;
	}
	// Intersection; inverted when the two do not meet.
	constexpr BRect operator&(const BRect& r) const {
		return {left > r.left ? left : r.left, top > r.top ? top : r.top, right < r.right ? right : r.right,
		        bottom < r.bottom ? bottom : r.bottom};
	}
	// Smallest rectangle holding both.
	constexpr BRect operator|(const BRect& r) const {
		return {left < r.left ? left : r.left, top < r.top ? top : r.top, right > r.right ? right : r.right,
		        bottom > r.bottom ? bottom : r.bottom};
	}
	constexpr bool operator==(const BRect&) const = default;
};
