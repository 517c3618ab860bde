#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include <Font.h>
#include <gtest/gtest.h>

#include "interface/TextRenderer.h"

namespace {

constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr rgb_color kBlack = {0, 0, 0, 255};

// Pixels that the text darkened by more than a quarter.
PixelRect DarkBox(const Framebuffer& buffer) {
	PixelRect box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
	for (int32 y = 0; y < buffer.Height(); y++)
		for (int32 x = 0; x < buffer.Width(); x++)
			if (buffer.PixelAt(x, y).red < 192)
				box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
				       std::max(box.bottom, y)};
	return box.left == INT32_MAX ? PixelRect{} : box;
}

Framebuffer Drawn(const BFont& font, const char* text, BPoint where, int32 width = 300, int32 height = 80) {
	Framebuffer buffer(width, height, kWhite);
	TextRenderer::DrawText(buffer, font, text, where, kBlack, buffer.Bounds());
	return buffer;
}

bool SamePixels(const Framebuffer& a, const Framebuffer& b) {
	for (int32 y = 0; y < a.Height(); y++)
		for (int32 x = 0; x < a.Width(); x++)
			if (!(a.PixelAt(x, y) == b.PixelAt(x, y))) return false;
	return true;
}

TEST(TextRendererTest, TextSitsOnTheBaselineWithinItsWidth) {
	const Framebuffer buffer = Drawn(*be_plain_font, "Hello", {10, 30});
	const PixelRect box = DarkBox(buffer);
	font_height height;
	be_plain_font->GetHeight(&height);
	ASSERT_FALSE(box.IsEmpty());
	EXPECT_GE(box.left, 10);
	EXPECT_LE(box.left, 12);
	EXPECT_EQ(box.bottom, 30); // capitals and these lower-case letters end on the baseline row
	EXPECT_GE(box.top, 30 - int32(height.ascent));
	EXPECT_LE(box.top, 30 - 7);
	EXPECT_LE(box.right, 10 + int32(be_plain_font->StringWidth("Hello")));
	for (int32 y = box.top; y <= box.bottom; y++)
		for (int32 x = box.left; x <= box.right; x++)
			EXPECT_EQ(buffer.PixelAt(x, y).alpha, 255);

	const PixelRect descending = DarkBox(Drawn(*be_plain_font, "gy", {10, 30}));
	EXPECT_GT(descending.bottom, 30);
	EXPECT_LE(descending.bottom, 30 + int32(height.descent) + 1);
}

TEST(TextRendererTest, DrawingStaysInsideTheClip) {
	Framebuffer buffer(300, 80, kWhite);
	const PixelRect clip = {0, 0, 30, 79};
	TextRenderer::DrawText(buffer, *be_plain_font, "Clipped text runs on", {10, 30}, kBlack, clip);
	const PixelRect box = DarkBox(buffer);
	ASSERT_FALSE(box.IsEmpty());
	EXPECT_LE(box.right, 30);
	TextRenderer::DrawText(buffer, *be_plain_font, "far away", {-1e30f, 1e30f}, kBlack, buffer.Bounds());
	TextRenderer::DrawText(buffer, *be_plain_font, "nowhere", {std::nanf(""), 30}, kBlack, buffer.Bounds());
	TextRenderer::DrawText(buffer, *be_plain_font, nullptr, {10, 30}, kBlack, buffer.Bounds());
	EXPECT_EQ(DarkBox(buffer), box);
}

TEST(TextRendererTest, WidthIsTheDistanceThePenMoves) {
	const BFont& font = *be_plain_font;
	const float split = font.StringWidth("Wave");
	Framebuffer pieces(300, 80, kWhite);
	TextRenderer::DrawText(pieces, font, "Wave", {10, 30}, kBlack, pieces.Bounds());
	TextRenderer::DrawText(pieces, font, "form", {10 + split, 30}, kBlack, pieces.Bounds());
	EXPECT_TRUE(SamePixels(pieces, Drawn(font, "Waveform", {10, 30})));
	EXPECT_EQ(font.StringWidth("Waveform", 4), split);
}

TEST(FontTest, WidthGrowsWithTextSizeAndWeight) {
	BFont large(*be_plain_font);
	large.SetSize(24);
	const float plain = be_plain_font->StringWidth("Gain (100%)");
	EXPECT_GT(plain, 30);
	EXPECT_GT(be_plain_font->StringWidth("Gain (100%) more"), plain);
	EXPECT_GT(large.StringWidth("Gain (100%)"), 1.7f * plain);
	EXPECT_LT(large.StringWidth("Gain (100%)"), 2.3f * plain);
	EXPECT_GT(be_bold_font->StringWidth("Gain (100%)"), plain);
	EXPECT_EQ(be_plain_font->StringWidth(""), 0);
	EXPECT_EQ(be_plain_font->StringWidth(nullptr), 0);
}

TEST(FontTest, LargerSizeIsTallerAndSizeZeroIsNothing) {
	BFont large(*be_bold_font);
	large.SetSize(24);
	font_height small, big;
	be_bold_font->GetHeight(&small);
	large.GetHeight(&big);
	EXPECT_GT(small.ascent, 8);
	EXPECT_GT(small.descent, 1);
	EXPECT_GT(big.ascent, 1.7f * small.ascent);
	const PixelRect smallBox = DarkBox(Drawn(*be_bold_font, "VU-Meter", {5, 50}));
	const PixelRect bigBox = DarkBox(Drawn(large, "VU-Meter", {5, 50}));
	EXPECT_GT(bigBox.bottom - bigBox.top, 1.7 * (smallBox.bottom - smallBox.top));

	BFont none(*be_plain_font);
	none.SetSize(0);
	EXPECT_EQ(none.StringWidth("VU-Meter"), 0);
	EXPECT_TRUE(DarkBox(Drawn(none, "VU-Meter", {5, 50})).IsEmpty());
}

TEST(FontTest, FaceFollowsStyleAndCopiesCompareEqual) {
	EXPECT_EQ(be_plain_font->Face(), B_REGULAR_FACE);
	EXPECT_EQ(be_bold_font->Face(), B_BOLD_FACE);
	BFont font(*be_plain_font);
	EXPECT_EQ(font, *be_plain_font);
	font.SetFace(B_BOLD_FACE);
	EXPECT_EQ(font.Face(), B_BOLD_FACE);
	EXPECT_EQ(font.StringWidth("VU-Meter"), be_bold_font->StringWidth("VU-Meter"));
	font.SetSize(24);
	EXPECT_NE(font, *be_bold_font);
}

TEST(FontTest, MissingFamilyFallsBackToAnInstalledFont) {
	const BFont missing("No Such Family Installed", "Regular", 12);
	EXPECT_GT(missing.StringWidth("Hello"), 10);
	EXPECT_FALSE(DarkBox(Drawn(missing, "Hello", {10, 30})).IsEmpty());
}

TEST(FontTest, Utf8IsDecodedAndMalformedBytesShowAsReplacement) {
	const BFont& font = *be_plain_font;
	EXPECT_EQ(font.StringWidth("\xc3\xa9"), font.StringWidth("e")); // é is one glyph as wide as e
	const float replacement = font.StringWidth("\xef\xbf\xbd");
	EXPECT_GT(replacement, 0);
	EXPECT_EQ(font.StringWidth("\xff"), replacement);
	EXPECT_EQ(font.StringWidth("\xc3"), replacement);             // cut short
	EXPECT_EQ(font.StringWidth("\xc0\xaf"), 2 * replacement);     // overlong
	EXPECT_EQ(font.StringWidth("\xed\xa0\x80"), 3 * replacement); // surrogate
	EXPECT_EQ(font.StringWidth("\xc3"
	                           "A"),
	          replacement + font.StringWidth("A"));
	EXPECT_EQ(font.StringWidth("\xc3\xa9", 1), replacement);
}

// Two threads draw text in many sizes and characters, more glyphs than the
// cache holds, and must get the pixels that one thread alone gets.
TEST(TextRendererTest, TwoThreadsShareTheGlyphCacheCleanly) {
	std::string text;
	for (uint32 c = 0xa1; c < 0x17f; c++) {
		text += char(0xc0 | (c >> 6));
		text += char(0x80 | (c & 0x3f));
	}
	const auto drawAll = [&text](int32 firstSize) {
		std::vector<Framebuffer> results;
		for (int32 size = firstSize; size < firstSize + 40; size++) {
			BFont font(*be_plain_font);
			font.SetSize(float(size));
			results.push_back(Drawn(font, text.c_str(), {float(-size * 20), 60}, 120, 80));
		}
		return results;
	};
	const std::vector<Framebuffer> expected = drawAll(6);
	auto first = std::async(std::launch::async, drawAll, 6);
	auto second = std::async(std::launch::async, drawAll, 6);
	for (auto* future : {&first, &second}) {
		if (future->wait_for(std::chrono::seconds(120)) != std::future_status::ready) {
			std::fprintf(stderr, "text drawing threads did not finish within 120 s\n");
			std::abort();
		}
		const std::vector<Framebuffer> results = future->get();
		ASSERT_EQ(results.size(), expected.size());
		for (size_t i = 0; i < results.size(); i++)
			EXPECT_TRUE(SamePixels(results[i], expected[i])) << i;
	}
}

} // namespace
