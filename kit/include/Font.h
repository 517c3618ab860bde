// Fonts: a family, a style, a face and a size, as a small copyable value.
//
// A point is one pixel. Families and styles are those fontconfig knows; a
// family that is not installed is drawn with the closest scalable font
// fontconfig offers. Measuring and drawing are safe from any thread.
#pragma once

#include "SupportDefs.h"

enum { B_FONT_FAMILY_LENGTH = 63, B_FONT_STYLE_LENGTH = 63 };
typedef char font_family[B_FONT_FAMILY_LENGTH + 1];
typedef char font_style[B_FONT_STYLE_LENGTH + 1];

// Face flags.
enum : uint16 {
	B_ITALIC_FACE = 0x0001,
	B_BOLD_FACE = 0x0020,
	B_REGULAR_FACE = 0x0040,
};

// Distances from the baseline, in pixels: ascent up to the top of the
// tallest letters, descent down to the bottom of the lowest, leading the
// extra space between lines.
struct font_height {
	float ascent;
	float descent;
	float leading;
};

class BE_EXPORT BFont {
public:
	// The plain font: DejaVu Sans at 12 points.
	constexpr BFont() = default;
	constexpr BFont(const char* family, const char* style, float size) : fSize(size) {
		SetFamilyAndStyle(family, style);
	}

	// Family and style. A null argument keeps the current value. The style
	// decides the face: a style naming "Bold" gives B_BOLD_FACE, one naming
	// "Italic" or "Oblique" B_ITALIC_FACE, any other B_REGULAR_FACE.
	constexpr void SetFamilyAndStyle(const char* family, const char* style);
	void GetFamilyAndStyle(font_family* family, font_style* style) const;
	// Replaces the style with the family's usual one for the face flags.
	void SetFace(uint16 face);
	uint16 Face() const;

	// Size in points; clamped to 0 to 1000, a value that is not a number is ignored.
	void SetSize(float size);
	float Size() const { return fSize; }

	// Measuring [any thread]
	// Width of the UTF-8 text as drawn: the sum of the glyph advances.
	float StringWidth(const char* string) const;
	float StringWidth(const char* string, int32 length) const;
	void GetHeight(font_height* height) const;

	bool operator==(const BFont& other) const;
	bool operator!=(const BFont& other) const { return !(*this == other); }

private:
	static constexpr void Copy(char* to, const char* from, int32 capacity) {
		int32 i = 0;
		for (; from[i] != '\0' && i < capacity - 1; i++)
			to[i] = from[i];
		for (; i < capacity; i++)
			to[i] = '\0';
	}

	font_family fFamily = "DejaVu Sans";
	font_style fStyle = "Book";
	float fSize = 12;
};

constexpr void BFont::SetFamilyAndStyle(const char* family, const char* style) {
	if (family) Copy(fFamily, family, sizeof(fFamily));
	if (style) Copy(fStyle, style, sizeof(fStyle));
}

// DejaVu Sans and DejaVu Sans Bold at 12 points. Never null; not owned.
BE_EXPORT extern const BFont* be_plain_font;
BE_EXPORT extern const BFont* be_bold_font;
