// Rendered glyphs per font face and size, and the fonts behind them.
//
// One process-wide instance. A single lock guards FreeType, the faces it has
// opened and the cache, because a FreeType face holds one current size and
// must not be used by two threads at once. Glyphs are immutable once made and
// handed out shared, so callers read their pixels without the lock, and the
// cache may drop entries while they are in use.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <Font.h>

struct Glyph {
	int32 advance = 0; // pixels the pen moves on
	int32 left = 0;    // first column, relative to the pen
	int32 top = 0;     // rows above the baseline
	int32 width = 0;
	int32 rows = 0;
	std::vector<uint8> coverage; // rows * width, 0 to 255
};

class GlyphCache {
public:
	// [any thread]
	static GlyphCache& Default();

	// The glyphs of the code points, in order. All are null when no font
	// could be loaded at all, and an empty glyph is used for a size of 0.
	void Lookup(const BFont& font, const uint32* codepoints, size_t count,
	            std::vector<std::shared_ptr<const Glyph>>* glyphs);
	font_height Height(const BFont& font);

private:
	struct OpenFace;

	GlyphCache();
	~GlyphCache() = delete; // lives as long as the process: windows may draw while it exits

	OpenFace* Face(const BFont& font);
	std::shared_ptr<const Glyph> Render(OpenFace& face, int32 size, uint32 codepoint);
	bool SetSize(OpenFace& face, int32 size);

	std::mutex fLock;
	struct FT_LibraryRec_* fLibrary = nullptr;
	std::unordered_map<std::string, std::unique_ptr<OpenFace>> fFaces;
	std::unordered_map<uint64, std::shared_ptr<const Glyph>> fGlyphs;
	bool fWarnedNoFont = false;
};
