// Colours and drawing patterns.
//
// Values and constants only: nothing here crosses threads [any thread].
#pragma once

#include "SupportDefs.h"

struct rgb_color {
	uint8 red;
	uint8 green;
	uint8 blue;
	uint8 alpha;

	constexpr bool operator==(const rgb_color&) const = default;
};

// An 8 x 8 bit pattern; set bits take the high colour, clear bits the low colour.
struct pattern {
	uint8 data[8];
};

inline constexpr pattern B_SOLID_HIGH = {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}};
inline constexpr pattern B_SOLID_LOW = {{0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr pattern B_MIXED_COLORS = {{0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55}};

enum color_space { B_RGB32 = 0x0008, B_RGBA32 = 0x2008 };

enum drawing_mode { B_OP_COPY, B_OP_OVER, B_OP_ALPHA = 10 };
