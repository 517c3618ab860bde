#include "interface/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "interface/GlyphCache.h"

namespace {

constexpr uint32 kReplacement = 0xfffd;

// Decodes UTF-8, turning each malformed, overlong, surrogate or out-of-range
// sequence into one U+FFFD and resuming at the next byte.
std::vector<uint32> Decode(const char* text, size_t length) {
	std::vector<uint32> codepoints;
	codepoints.reserve(length);
	const auto* bytes = reinterpret_cast<const unsigned char*>(text);
	size_t i = 0;
	while (i < length) {
		const unsigned char lead = bytes[i];
		int extra;
		uint32 value;
		uint32 minimum;
		if (lead < 0x80) {
			codepoints.push_back(lead);
			i++;
			continue;
		} else if ((lead & 0xe0) == 0xc0) {
			extra = 1, value = lead & 0x1f, minimum = 0x80;
		} else if ((lead & 0xf0) == 0xe0) {
			extra = 2, value = lead & 0x0f, minimum = 0x800;
		} else if ((lead & 0xf8) == 0xf0) {
			extra = 3, value = lead & 0x07, minimum = 0x10000;
		} else {
			codepoints.push_back(kReplacement);
			i++;
			continue;
		}
		int taken = 0;
		while (taken < extra && i + 1 + taken < length && (bytes[i + 1 + taken] & 0xc0) == 0x80) {
			value = (value << 6) | (bytes[i + 1 + taken] & 0x3f);
			taken++;
		}
		const bool valid =
		    taken == extra && value >= minimum && value <= 0x10ffff && !(value >= 0xd800 && value <= 0xdfff);
		codepoints.push_back(valid ? value : kReplacement);
		i += valid ? size_t(extra) + 1 : 1;
	}
	return codepoints;
}

std::vector<std::shared_ptr<const Glyph>> GlyphsOf(const BFont& font, const char* utf8, size_t length) {
	const std::vector<uint32> codepoints = Decode(utf8, length);
	std::vector<std::shared_ptr<const Glyph>> glyphs;
	GlyphCache::Default().Lookup(font, codepoints.data(), codepoints.size(), &glyphs);
	return glyphs;
}

} // namespace

void TextRenderer::DrawText(Framebuffer& buffer, const BFont& font, const char* utf8, BPoint baselineStart,
                            rgb_color color, const PixelRect& clip) {
	if (!utf8 || !std::isfinite(baselineStart.x) || !std::isfinite(baselineStart.y)) return;
	const PixelRect area = clip.Intersect(buffer.Bounds());
	if (area.IsEmpty()) return;
	// Far outside any buffer, and small enough that the pen cannot overflow.
	constexpr double kLimit = double(1 << 28);
	int64_t penX = int64_t(std::floor(std::clamp(double(baselineStart.x), -kLimit, kLimit)));
	const int64_t baseline = int64_t(std::floor(std::clamp(double(baselineStart.y), -kLimit, kLimit)));

	for (const auto& glyph : GlyphsOf(font, utf8, std::strlen(utf8))) {
		if (!glyph) continue;
		const int64_t left = penX + glyph->left;
		const int64_t top = baseline + 1 - glyph->top;
		const int64_t firstRow = std::max<int64_t>(0, area.top - top);
		const int64_t lastRow = std::min<int64_t>(glyph->rows - 1, area.bottom - top);
		const int64_t firstColumn = std::max<int64_t>(0, area.left - left);
		const int64_t lastColumn = std::min<int64_t>(glyph->width - 1, area.right - left);
		for (int64_t row = firstRow; row <= lastRow; row++) {
			const uint8* coverage = glyph->coverage.data() + row * glyph->width;
			for (int64_t column = firstColumn; column <= lastColumn; column++) {
				if (coverage[column] != 0)
					buffer.BlendPixel(int32(left + column), int32(top + row), color, coverage[column], area);
			}
		}
		penX += glyph->advance;
	}
}

float TextRenderer::StringWidth(const BFont& font, const char* utf8, int32 length) {
	if (!utf8) return 0;
	const size_t bytes = length < 0 ? std::strlen(utf8) : strnlen(utf8, size_t(length));
	int64_t width = 0;
	for (const auto& glyph : GlyphsOf(font, utf8, bytes))
		if (glyph) width += glyph->advance;
	return float(width);
}

font_height TextRenderer::Height(const BFont& font) { return GlyphCache::Default().Height(font); }
