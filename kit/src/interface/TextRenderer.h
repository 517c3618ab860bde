// Anti-aliased text from FreeType glyphs.
//
// [any thread]: glyphs come from the shared GlyphCache (see there for its
// lock); the framebuffer is the caller's, used under its owner's lock. Text is
// UTF-8; a malformed sequence shows as U+FFFD. Glyphs are placed at whole
// pixels from advance to advance, without kerning, so StringWidth is exactly
// the distance the pen moves while drawing.
#pragma once

#include <Font.h>
#include <GraphicsDefs.h>
#include <Point.h>

#include "server/Framebuffer.h"

class TextRenderer {
public:
	// Draws the text with its baseline on the row of `baselineStart.y`, so
	// capitals end on that row and descenders go below it; the first glyph's
	// origin is the column of `baselineStart.x`.
	static void DrawText(Framebuffer& buffer, const BFont& font, const char* utf8, BPoint baselineStart,
	                     rgb_color color, const PixelRect& clip);
	// The width of the first `length` bytes, or of the whole text when
	// `length` is negative.
	static float StringWidth(const BFont& font, const char* utf8, int32 length = -1);
	static font_height Height(const BFont& font);
};
