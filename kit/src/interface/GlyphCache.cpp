#include "interface/GlyphCache.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <strings.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

// Far more glyphs than a user interface shows; past it the cache starts over.
constexpr size_t kMaxGlyphs = 8192;

// Sizes are kept in 26.6 fixed point, as FreeType takes them.
int32 FixedSize(const BFont& font) {
	const float size = font.Size();
	if (!(size > 0)) return 0;
	return int32(std::lround(std::min(double(size), 1000.0) * 64));
}

uint64 GlyphKey(uint32 faceIndex, int32 size, uint32 codepoint) {
	return (uint64(faceIndex) << 37) | (uint64(uint32(size) & 0xffff) << 21) | (codepoint & 0x1fffff);
}

} // namespace

struct GlyphCache::OpenFace {
	FT_Face face = nullptr; // null when no font could be opened
	uint32 index = 0;
	int32 size = -1;
};

GlyphCache& GlyphCache::Default() {
	static GlyphCache* instance = new GlyphCache();
	return *instance;
}

GlyphCache::GlyphCache() {
	if (FT_Init_FreeType(&fLibrary) != 0) {
		std::fprintf(stderr, "be: FreeType could not be initialised; text will not be drawn\n");
		fLibrary = nullptr;
	}
}

// Fontconfig sorts the scalable fonts by how well they match; the first that
// FreeType opens is used, so a missing family still gets a usable font.
GlyphCache::OpenFace* GlyphCache::Face(const BFont& font) {
	font_family family;
	font_style style;
	font.GetFamilyAndStyle(&family, &style);
	const uint16 faceFlags = font.Face();
	std::string key = family;
	key += '\n';
	key += std::to_string(faceFlags);
	auto found = fFaces.find(key);
	if (found != fFaces.end()) return found->second.get();

	auto open = std::make_unique<OpenFace>();
	open->index = uint32(fFaces.size());
	FcPattern* pattern = FcPatternCreate();
	FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
	FcPatternAddInteger(pattern, FC_WEIGHT, (faceFlags & B_BOLD_FACE) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
	FcPatternAddInteger(pattern, FC_SLANT, (faceFlags & B_ITALIC_FACE) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
	FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
	FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
	FcDefaultSubstitute(pattern);
	FcResult result;
	FcFontSet* fonts = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
	for (int i = 0; fonts && fLibrary && i < fonts->nfont && !open->face; i++) {
		FcBool scalable = FcFalse;
		FcChar8* file = nullptr;
		FcChar8* foundFamily = nullptr;
		int index = 0;
		FcPatternGetBool(fonts->fonts[i], FC_SCALABLE, 0, &scalable);
		if (!scalable || FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
		FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
		if (FT_New_Face(fLibrary, reinterpret_cast<const char*>(file), index, &open->face) != 0) {
			open->face = nullptr;
			continue;
		}
		FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &foundFamily);
		if (!foundFamily || strcasecmp(reinterpret_cast<const char*>(foundFamily), family) != 0)
			std::fprintf(stderr, "be: font family \"%s\" is not installed; using %s\n", family,
			             reinterpret_cast<const char*>(file));
	}
	if (fonts) FcFontSetDestroy(fonts);
	FcPatternDestroy(pattern);
	if (!open->face && !fWarnedNoFont) {
		std::fprintf(
		    stderr,
		    "be: fontconfig offers no scalable font that FreeType can open; text will not be drawn\n");
		fWarnedNoFont = true;
	}
	return fFaces.emplace(std::move(key), std::move(open)).first->second.get();
}

bool GlyphCache::SetSize(OpenFace& face, int32 size) {
	if (face.size == size) return true;
	if (FT_Set_Char_Size(face.face, 0, size, 72, 72) != 0) return false;
	face.size = size;
	return true;
}

std::shared_ptr<const Glyph> GlyphCache::Render(OpenFace& face, int32 size, uint32 codepoint) {
	auto glyph = std::make_shared<Glyph>();
	if (size <= 0 || !SetSize(face, size)) return glyph;
	if (FT_Load_Char(face.face, codepoint, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return glyph;
	const FT_GlyphSlot slot = face.face->glyph;
	glyph->advance = int32((slot->advance.x + 32) >> 6);
	glyph->left = slot->bitmap_left;
	glyph->top = slot->bitmap_top;
	const FT_Bitmap& bitmap = slot->bitmap;
	if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return glyph;
	glyph->width = int32(bitmap.width);
	glyph->rows = int32(bitmap.rows);
	glyph->coverage.resize(size_t(glyph->width) * size_t(glyph->rows));
	for (int32 y = 0; y < glyph->rows; y++) {
		const unsigned char* source = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
		uint8* target = glyph->coverage.data() + size_t(y) * size_t(glyph->width);
		for (int32 x = 0; x < glyph->width; x++) {
			if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
				target[x] =
				    uint8(uint32(source[x]) * 255 / (bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255));
			else
				target[x] = (source[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
		}
	}
	return glyph;
}

void GlyphCache::Lookup(const BFont& font, const uint32* codepoints, size_t count,
                        std::vector<std::shared_ptr<const Glyph>>* glyphs) {
	glyphs->clear();
	glyphs->reserve(count);
	const int32 size = FixedSize(font);
	std::lock_guard<std::mutex> lock(fLock);
	OpenFace* face = Face(font);
	if (!face->face) {
		glyphs->resize(count);
		return;
	}
	if (fGlyphs.size() + count > kMaxGlyphs) fGlyphs.clear();
	for (size_t i = 0; i < count; i++) {
		const uint64 key = GlyphKey(face->index, size, codepoints[i]);
		auto found = fGlyphs.find(key);
		if (found == fGlyphs.end()) found = fGlyphs.emplace(key, Render(*face, size, codepoints[i])).first;
		glyphs->push_back(found->second);
	}
}

font_height GlyphCache::Height(const BFont& font) {
	const int32 size = FixedSize(font);
	std::lock_guard<std::mutex> lock(fLock);
	OpenFace* face = Face(font);
	if (!face->face || size <= 0 || !SetSize(*face, size)) return {0, 0, 0};
	const FT_Size_Metrics& metrics = face->face->size->metrics;
	const float ascent = float(metrics.ascender) / 64;
	const float descent = float(-metrics.descender) / 64;
	return {ascent, descent, std::max(0.0f, float(metrics.height) / 64 - ascent - descent)};
}
