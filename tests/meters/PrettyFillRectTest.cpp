#include <gtest/gtest.h>

#include "meters/MeterWindowTest.h"

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr rgb_color kGreen = {0, 255, 0, 255};
constexpr rgb_color kBlue = {0, 0, 255, 255};

rgb_color Grey(int32 value) { return {uint8(value), uint8(value), uint8(value), 255}; }

// The view of a 200 x 400 bar meter window, first painted blue so that what
// the fill leaves alone shows.
class PrettyFillRectTest : public MeterWindowTest {
protected:
	void SetUp() override {
		MeterWindowTest::SetUp();
		Open(199, 399);
		ASSERT_TRUE(window->Lock());
		window->view->SetHighColor(kBlue);
		window->view->FillRect(window->Bounds());
		window->Unlock();
		TakeCalls();
	}

	void PrettyFill(BRect rect, rgb_color from, rgb_color to, int32 band) {
		ASSERT_TRUE(window->Lock());
		window->view->PrettyFillRect(rect, from, to, band);
		window->Unlock();
	}

	// Every pixel of columns 0 to 98 in rows first to last has `expected(row)`.
	template <typename Expected>
	void ExpectRows(const Image& image, int32 first, int32 last, Expected expected) {
		for (int32 y = first; y <= last; ++y)
			for (int32 x = 0; x <= 98; ++x)
				ASSERT_EQ(image.At(x, y), expected(y)) << "at " << x << ", " << y;
	}
};

} // namespace

TEST_F(PrettyFillRectTest, BarBodyHasTwentySixBandsSteppingByNineAndABlackStrip) {
	PrettyFill(BRect(0, 0, 98, 399), kGreen, kBlack, 15);

	const std::vector<DrawCall> calls = TakeCalls();
	ASSERT_EQ(calls.size(), 2u * 27u);
	for (int32 k = 0; k < 26; ++k) {
		EXPECT_EQ(calls[2 * k], High(rgb_color{0, uint8(255 - 9 * k), 0, 255})) << "band " << k;
		EXPECT_EQ(calls[2 * k + 1], Fill(0, 399 - 15 * (k + 1), 98, 399 - 15 * k)) << "band " << k;
	}
	EXPECT_EQ(calls[52], High(kBlack));
	EXPECT_EQ(calls[53], Fill(0, 0, 98, 9));

	// A band's top row is shared with the band above, which paints it last.
	const Image image = Pixels();
	ExpectRows(image, 0, 9, [](int32) { return kBlack; });
	ExpectRows(image, 10, 399, [](int32 y) {
		return rgb_color{0, uint8(255 - 9 * ((399 - y) / 15)), 0, 255};
	});
	EXPECT_EQ(image.At(0, 10), (rgb_color{0, 30, 0, 255}));
	EXPECT_EQ(image.At(0, 384), (rgb_color{0, 246, 0, 255}));
	EXPECT_EQ(image.At(0, 385), kGreen);
	for (int32 y = 0; y <= 399; ++y)
		ASSERT_EQ(image.At(99, y), kBlue) << "column 99 lies outside the rectangle, row " << y;
}

TEST_F(PrettyFillRectTest, RectangleLowerThanOneBandIsOneOpaqueFillFromTheTruncatedTop) {
	PrettyFill(BRect(0, 390.6f, 98, 399), rgb_color{0, 255, 0, 0}, kBlack, 15);

	EXPECT_EQ(TakeCalls(), (std::vector<DrawCall>{High(kGreen), Fill(0, 390, 98, 399)}));
	const Image image = Pixels();
	ExpectRows(image, 389, 389, [](int32) { return kBlue; });
	ExpectRows(image, 390, 399, [](int32) { return kGreen; });
}

TEST_F(PrettyFillRectTest, ZeroHeightFillsTheOneRowInTheFirstColourMadeOpaque) {
	PrettyFill(BRect(0, 200.9f, 98, 200.2f), rgb_color{10, 20, 30, 0}, kWhite, 1);

	EXPECT_EQ(TakeCalls(), (std::vector<DrawCall>{High(rgb_color{10, 20, 30, 255}), Fill(0, 200, 98, 200)}));
	const Image image = Pixels();
	ExpectRows(image, 199, 199, [](int32) { return kBlue; });
	ExpectRows(image, 200, 200, [](int32) { return rgb_color{10, 20, 30, 255}; });
	ExpectRows(image, 201, 201, [](int32) { return kBlue; });
}

TEST_F(PrettyFillRectTest, HeightOfOneBandIsOneBandThenTheTopRowInTheSecondColour) {
	PrettyFill(BRect(0, 100, 98, 115), kGreen, kWhite, 15);

	EXPECT_EQ(TakeCalls(), (std::vector<DrawCall>{High(kGreen), Fill(0, 100, 98, 115), High(kWhite),
	                                              Fill(0, 100, 98, 100)}));
	const Image image = Pixels();
	ExpectRows(image, 99, 99, [](int32) { return kBlue; });
	ExpectRows(image, 100, 100, [](int32) { return kWhite; });
	ExpectRows(image, 101, 115, [](int32) { return kGreen; });
	ExpectRows(image, 116, 116, [](int32) { return kBlue; });
}

TEST_F(PrettyFillRectTest, SteppingUpwardFromBlackToWhiteStopsShortOfWhiteBelowTheStrip) {
	PrettyFill(BRect(0, 0, 10, 100), kBlack, kWhite, 10);

	const Image image = Pixels();
	for (int32 x = 0; x <= 10; ++x) {
		ASSERT_EQ(image.At(x, 0), kWhite);
		for (int32 y = 1; y <= 100; ++y)
			ASSERT_EQ(image.At(x, y), Grey(25 * ((100 - y) / 10))) << "at " << x << ", " << y;
	}
	EXPECT_EQ(image.At(0, 1), Grey(225));
	EXPECT_EQ(image.At(11, 50), kBlue);
}

TEST_F(PrettyFillRectTest, BandsAreOpaqueWhateverTheFirstAlphaAndTheStripKeepsTheSecondAlpha) {
	PrettyFill(BRect(0, 0, 10, 100), rgb_color{0, 0, 0, 0}, rgb_color{255, 255, 255, 0}, 10);

	const Image image = Pixels();
	EXPECT_EQ(image.At(5, 0), (rgb_color{255, 255, 255, 0}));
	for (int32 y = 1; y <= 100; ++y)
		ASSERT_EQ(image.At(5, y).alpha, 255) << "row " << y;
}

TEST_F(PrettyFillRectTest, EqualColoursPaintBandsAndStripAlike) {
	const rgb_color colour = {40, 80, 120, 255};
	PrettyFill(BRect(0, 3, 98, 399), colour, colour, 15);

	const Image image = Pixels();
	ExpectRows(image, 2, 2, [](int32) { return kBlue; });
	ExpectRows(image, 3, 399, [&](int32) { return colour; });
}

TEST_F(PrettyFillRectTest, InvertedRectanglePaintsNothing) {
	PrettyFill(BRect(0, 300, 98, 200), kGreen, kBlack, 15);

	EXPECT_EQ(TakeCalls(), (std::vector<DrawCall>{High(kGreen), Fill(0, 300, 98, 200)}));
	const Image image = Pixels();
	ExpectRows(image, 0, 399, [](int32) { return kBlue; });
}
