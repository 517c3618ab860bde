#include <Font.h>
#include <TextView.h>
#include <Window.h>
#include <kit/Display.h>

#include <cmath>

#include <gtest/gtest.h>

#include "support/AboutStyle.h"
#include "support/Watchdog.h"

namespace {

constexpr const char* kAbout = "VU-Meter\nVersion 1.0\n\nMade by Corvel Dravik\n\n";

BTextView* NewTextView(const char* text, float width = 245) {
	auto* view =
	    new BTextView(BRect(0, 0, width, 99), "text", BRect(0, 0, width, 99), B_FOLLOW_NONE, B_WILL_DRAW);
	view->SetText(text);
	return view;
}

bool IsDark(rgb_color c) { return c.red + c.green + c.blue < 3 * 100; }

} // namespace

TEST(TextViewTest, StyledRunKeepsItsFontWhileTheRestKeepsThePlainOne) {
	std::unique_ptr<BTextView> view(NewTextView(kAbout));
	MakeHeadingBig(view.get());
	BFont bold24(*be_bold_font);
	bold24.SetSize(24);
	BFont font;
	for (int32 offset : {0, 2, 7}) {
		view->GetFontAndColor(offset, &font);
		EXPECT_EQ(font, bold24) << "at " << offset;
	}
	for (int32 offset : {8, 9, 20, view->TextLength() - 1}) {
		view->GetFontAndColor(offset, &font);
		EXPECT_EQ(font, *be_plain_font) << "at " << offset;
	}
	EXPECT_STREQ(view->Text(), kAbout);
}

TEST(TextViewTest, ColourAndPartialMasksApplyOnlyToTheSelection) {
	std::unique_ptr<BTextView> view(NewTextView("one two three"));
	view->MakeStylable(true);
	view->Select(8, 4); // reversed: taken as 4 to 8
	int32 start, end;
	view->GetSelection(&start, &end);
	EXPECT_EQ(start, 4);
	EXPECT_EQ(end, 8);
	BFont big;
	big.SetSize(30);
	const rgb_color red = {200, 0, 0, 255};
	view->SetFontAndColor(&big, B_FONT_SIZE, &red);
	BFont font;
	rgb_color color;
	view->GetFontAndColor(5, &font, &color);
	EXPECT_EQ(font.Size(), 30);
	EXPECT_EQ(font.Face(), be_plain_font->Face());
	EXPECT_EQ(color, red);
	view->GetFontAndColor(3, &font, &color);
	EXPECT_EQ(font, *be_plain_font);
	EXPECT_NE(color, red);
	view->GetFontAndColor(8, &font, &color);
	EXPECT_EQ(font, *be_plain_font);
}

TEST(TextViewTest, WithoutStylesTheWholeTextTakesTheFont) {
	std::unique_ptr<BTextView> view(NewTextView("plain text"));
	view->Select(0, 2);
	view->SetFontAndColor(be_bold_font);
	BFont font;
	view->GetFontAndColor(7, &font);
	EXPECT_EQ(font, *be_bold_font);
}

TEST(TextViewTest, SelectionIsKeptWithinTheText) {
	std::unique_ptr<BTextView> view(NewTextView("short"));
	view->Select(-3, 99);
	int32 start, end;
	view->GetSelection(&start, &end);
	EXPECT_EQ(start, 0);
	EXPECT_EQ(end, 5);
}

TEST(TextViewTest, LinesBreakAtNewlinesAndEmptyLinesKeepTheirHeight) {
	std::unique_ptr<BTextView> one(NewTextView("A"));
	std::unique_ptr<BTextView> three(NewTextView("A\n\nB"));
	std::unique_ptr<BTextView> trailing(NewTextView("A\n"));
	ASSERT_GT(one->TextHeight(), 0);
	EXPECT_EQ(three->TextHeight(), 3 * one->TextHeight());
	EXPECT_EQ(trailing->TextHeight(), 2 * one->TextHeight());
}

TEST(TextViewTest, TallestRunSetsItsLineHeight) {
	std::unique_ptr<BTextView> both(NewTextView("Big small\nnext"));
	both->MakeStylable(true);
	both->Select(0, 3);
	BFont big(*be_bold_font);
	big.SetSize(24);
	both->SetFontAndColor(&big);
	std::unique_ptr<BTextView> bigAlone(NewTextView("Big"));
	bigAlone->SetFontAndColor(&big);
	std::unique_ptr<BTextView> plainLine(NewTextView("next"));
	EXPECT_EQ(both->TextHeight(), bigAlone->TextHeight() + plainLine->TextHeight());
	EXPECT_GT(bigAlone->TextHeight(), plainLine->TextHeight());
}

TEST(TextViewTest, WordsWrapWithinTheTextRect) {
	const float wordWidth = be_plain_font->StringWidth("wrapping");
	std::unique_ptr<BTextView> narrow(NewTextView("wrapping wrapping wrapping", wordWidth + 10));
	std::unique_ptr<BTextView> wide(NewTextView("wrapping wrapping wrapping", 3 * wordWidth + 40));
	std::unique_ptr<BTextView> single(NewTextView("wrapping"));
	EXPECT_EQ(wide->TextHeight(), single->TextHeight());
	EXPECT_EQ(narrow->TextHeight(), 3 * single->TextHeight());
	// A word wider than the line is cut rather than lost past the edge.
	std::unique_ptr<BTextView> cut(NewTextView("wrappingwrapping", wordWidth + 10));
	EXPECT_EQ(cut->TextHeight(), 2 * single->TextHeight());
}

TEST(TextViewTest, DrawsEachLineBelowTheTallerOneBeforeIt) {
	Watchdog watchdog;
	kit::UseHeadlessDisplay(1024, 768);
	auto* window =
	    new BWindow(BRect(50, 50, 349, 149), "text", B_TITLED_WINDOW_LOOK, B_NORMAL_WINDOW_FEEL, 0);
	BTextView* view = NewTextView(kAbout, 299);
	window->AddChild(view);
	MakeHeadingBig(view);
	window->Show();
	ASSERT_TRUE(kit::WaitForIdle(window));
	auto darkRows = [&](int32 top, int32 bottom) {
		int32 rows = 0;
		for (int32 y = top; y <= bottom; y++) {
			for (int32 x = 0; x < 300; x++) {
				if (IsDark(kit::PixelAt(window, x, y))) {
					rows++;
					break;
				}
			}
		}
		return rows;
	};
	font_height big;
	BFont bold24(*be_bold_font);
	bold24.SetSize(24);
	bold24.GetHeight(&big);
	const int32 firstLine = int32(std::ceil(big.ascent + big.descent));
	// The 24-point heading is taller than a 12-point line could be.
	EXPECT_GT(darkRows(0, firstLine), 15);
	// "Version 1.0" follows below the heading, and "Made by" a blank line later.
	EXPECT_GT(darkRows(firstLine, firstLine + 14), 5);
	EXPECT_EQ(darkRows(firstLine + 15, firstLine + 27), 0);
	EXPECT_GT(darkRows(firstLine + 28, firstLine + 43), 5);
	ASSERT_TRUE(window->Lock());
	window->Quit();
}
