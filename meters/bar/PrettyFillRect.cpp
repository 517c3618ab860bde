// The bar meter's banded gradient: flat horizontal bands stepping from `from`
// at the bottom towards `to`, with the rows left over at the top in `to`.
#include "display/PluginView.h"

#include <algorithm>
#include <cassert>

namespace {

uint8 ClampChannel(int32 value) { return static_cast<uint8>(std::clamp<int32>(value, 0, 255)); }

} // namespace

void PluginView::PrettyFillRect(BRect rect, rgb_color from, rgb_color to, int32 band) {
	assert(band >= 1 && "PrettyFillRect needs a band of at least one row");
	const int32 top = static_cast<int32>(rect.top);
	const int32 bottom = static_cast<int32>(rect.bottom);
	const int32 height = bottom - top;

	// Includes the inverted rectangle, which the fill leaves unpainted.
	if (height < band) {
		SetHighColor(rgb_color{from.red, from.green, from.blue, 255});
		FillRect(BRect(rect.left, top, rect.right, bottom));
		return;
	}

	// Truncated increments stop the bands short of `to`; only the top strip
	// reaches it.
	const int32 bands = height / band;
	const int32 red_step = (int32(to.red) - int32(from.red)) / bands;
	const int32 green_step = (int32(to.green) - int32(from.green)) / bands;
	const int32 blue_step = (int32(to.blue) - int32(from.blue)) / bands;

	int32 red = from.red;
	int32 green = from.green;
	int32 blue = from.blue;
	int32 y = bottom;
	do {
		SetHighColor(rgb_color{ClampChannel(red), ClampChannel(green), ClampChannel(blue), 255});
		FillRect(BRect(rect.left, y - band, rect.right, y));
		red = ClampChannel(red + red_step);
		green = ClampChannel(green + green_step);
		blue = ClampChannel(blue + blue_step);
		y -= band;
	} while (y >= top + band);

	SetHighColor(to);
	FillRect(BRect(rect.left, top, rect.right, y));
}
