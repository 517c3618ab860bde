#include <Font.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "interface/TextRenderer.h"

namespace {

constexpr BFont kPlainFont;
constexpr BFont kBoldFont("DejaVu Sans", "Bold", 12);

bool Names(const char* style, const char* word) { return std::strstr(style, word) != nullptr; }

} // namespace

const BFont* be_plain_font = &kPlainFont;
const BFont* be_bold_font = &kBoldFont;

void BFont::GetFamilyAndStyle(font_family* family, font_style* style) const {
	if (family) std::memcpy(*family, fFamily, sizeof(fFamily));
	if (style) std::memcpy(*style, fStyle, sizeof(fStyle));
}

void BFont::SetFace(uint16 face) {
	const bool bold = face & B_BOLD_FACE;
	const bool italic = face & B_ITALIC_FACE;
	SetFamilyAndStyle(nullptr, bold ? (italic ? "Bold Italic" : "Bold") : (italic ? "Italic" : "Regular"));
}

uint16 BFont::Face() const {
	uint16 face = 0;
	if (Names(fStyle, "Bold")) face |= B_BOLD_FACE;
	if (Names(fStyle, "Italic") || Names(fStyle, "Oblique")) face |= B_ITALIC_FACE;
	return face ? face : uint16(B_REGULAR_FACE);
}

void BFont::SetSize(float size) {
	if (std::isnan(size)) return;
	fSize = std::clamp(size, 0.0f, 1000.0f);
}

float BFont::StringWidth(const char* string) const { return TextRenderer::StringWidth(*this, string); }

float BFont::StringWidth(const char* string, int32 length) const {
	return TextRenderer::StringWidth(*this, string, length);
}

void BFont::GetHeight(font_height* height) const { *height = TextRenderer::Height(*this); }

bool BFont::operator==(const BFont& other) const {
	return std::strcmp(fFamily, other.fFamily) == 0 && std::strcmp(fStyle, other.fStyle) == 0 &&
	       fSize == other.fSize;
}
