// A point in a view's or the screen's coordinates, y growing downward.
//
// Values and constants only: nothing here crosses threads [any thread].
#pragma once

#include "SupportDefs.h"

class BE_EXPORT BPoint {
public:
	float x = 0;
	float y = 0;

	constexpr BPoint() = default;
	constexpr BPoint(float x, float y) : x(x), y(y) {}

	constexpr void Set(float newX, float newY) {
		x = newX;
		y = newY;
	}

	constexpr BPoint operator+(const BPoint& other) const { return {x + other.x, y + other.y}; }
	constexpr BPoint operator-(const BPoint& other) const { return {x - other.x, y - other.y}; }
	BPoint& operator+=(const BPoint& other) {
		x += other.x;
		y += other.y;
		return *this;
	}
	BPoint& operator-=(const BPoint& other) {
		x -= other.x;
		y -= other.y;
		return *this;
	}
	constexpr bool operator==(const BPoint&) const = default;
};

const BPoint B_ORIGIN(0, 0);
