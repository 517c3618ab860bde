#include <gtest/gtest.h>

#include "meters/Canvas.h"
#include "meters/MeterWindowTest.h"

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr rgb_color kFullRed = {255, 0, 0, 255};

class NeedleMeterTest : public MeterWindowTest {
protected:
	// A window twice as wide as high: W = 200, H = 100.
	void OpenStandard() {
		Open(200, 100);
		TakeCalls();
	}

	Block Levels(uint32 left, uint32 right) { return BlockWithLevels(left, right, kNeedleDivisor); }

	void ExpectColumn(const Image& image, int32 x, int32 firstRow, int32 lastRow, rgb_color colour) {
		for (int32 y = firstRow; y <= lastRow; ++y)
			ASSERT_EQ(image.At(x, y), colour) << "at " << x << ", " << y;
	}
};

} // namespace

TEST_F(NeedleMeterTest, FirstSilentCallErasesToColumnMinusOneThenDrawsBothNeedles) {
	OpenStandard();
	EXPECT_EQ(PositionsNow(), (Positions{-1, -1}));
	EXPECT_TRUE(Render(Silence()));

	const std::vector<DrawCall> expected = {
	    High(kWhite),        Line(50, 100, -1, 0), Line(150, 100, -1, 0),  High(kBlack),
	    Line(50, 100, 0, 0), High(kBlack),         Line(150, 100, 100, 0), Synced()};
	EXPECT_EQ(TakeCalls(), expected);
	EXPECT_EQ(PositionsNow(), (Positions{0, 100}));
	const Image image = Pixels();
	EXPECT_EQ(image.At(0, 0), kBlack);
	EXPECT_EQ(image.At(50, 100), kBlack);
	EXPECT_EQ(image.At(100, 0), kBlack);
	EXPECT_EQ(image.At(150, 100), kBlack);
	EXPECT_EQ(image.At(199, 50), kWhite);
}

TEST_F(NeedleMeterTest, FurtherSilentCallsDrawNothingAndDoNotSync) {
	OpenStandard();
	Render(Silence());
	TakeCalls();
	for (int i = 0; i < 5; ++i)
		EXPECT_TRUE(Render(Silence()));
	EXPECT_TRUE(TakeCalls().empty());
	EXPECT_EQ(PositionsNow(), (Positions{0, 100}));
}

TEST_F(NeedleMeterTest, FullScaleJumpsAtOnceInFullRed) {
	OpenStandard();
	Render(Silence());
	TakeCalls();
	EXPECT_TRUE(Render(FullScale()));
	EXPECT_EQ(PositionsNow(), (Positions{99, 199}));
	const std::vector<DrawCall> expected = {
	    High(kWhite),         Line(50, 100, 0, 0), Line(150, 100, 100, 0), High(kFullRed),
	    Line(50, 100, 99, 0), High(kFullRed),      Line(150, 100, 199, 0), Synced()};
	EXPECT_EQ(TakeCalls(), expected);
	const Image image = Pixels();
	EXPECT_EQ(image.At(99, 0), kFullRed);
	EXPECT_EQ(image.At(199, 0), kFullRed);
	EXPECT_EQ(image.At(0, 0), kWhite);
	EXPECT_EQ(image.At(100, 0), kWhite);
}

TEST_F(NeedleMeterTest, HalfScaleStandsBothNeedlesUprightInHalfRed) {
	OpenStandard();
	EXPECT_TRUE(Render(Levels(32768, 32768)));
	EXPECT_EQ(PositionsNow(), (Positions{50, 150}));
	const Image image = Pixels();
	ExpectColumn(image, 50, 0, 100, rgb_color{128, 0, 0, 255});
	ExpectColumn(image, 150, 0, 100, rgb_color{128, 0, 0, 255});
	EXPECT_EQ(image.At(49, 50), kWhite);
	EXPECT_EQ(image.At(51, 50), kWhite);
}

TEST_F(NeedleMeterTest, SilenceAfterFullScaleFallsOneColumnPerCallToRestOnThe99thCall) {
	OpenStandard();
	Render(FullScale());
	TakeCalls();
	for (int32 call = 1; call <= 99; ++call) {
		Render(Silence());
		ASSERT_EQ(PositionsNow(), (Positions{99 - call, 199 - call})) << "call " << call;
		const std::vector<DrawCall> calls = TakeCalls();
		ASSERT_EQ(calls.size(), 8u) << "call " << call;
		// The colour follows the block's level, not the falling tip.
		EXPECT_EQ(calls[3], High(kBlack));
	}
	Render(Silence());
	EXPECT_TRUE(TakeCalls().empty());

	// Every needle stroked on the way down was removed whole by its erase.
	Canvas expected(201, 101, kWhite);
	expected.StrokeLine(50, 100, 0, 0, kBlack);
	expected.StrokeLine(150, 100, 100, 0, kBlack);
	EXPECT_EQ(expected.Compare(Pixels()), "");
}

TEST_F(NeedleMeterTest, WideWindowFallsTwoColumnsPerCallAndOneAtTheEnd) {
	Open(240, 100);
	Render(FullScale());
	EXPECT_EQ(PositionsNow(), (Positions{119, 239}));
	std::vector<int32> lefts;
	for (int i = 0; i < 61; ++i) {
		Render(Silence());
		lefts.push_back(PositionsNow().left);
	}
	std::vector<int32> expected;
	for (int32 tip = 117; tip >= 1; tip -= 2)
		expected.push_back(tip);
	expected.push_back(0);
	expected.push_back(0);
	EXPECT_EQ(lefts, expected);
	EXPECT_EQ(PositionsNow().right, 120);
}

TEST_F(NeedleMeterTest, OnePixelWideWindowDrawsVerticalNeedles) {
	Open(0, 100);
	Render(FullScale());
	const std::vector<DrawCall> expected = {
	    High(kWhite),       Line(0, 100, -1, 0), Line(0, 100, -1, 0), High(kFullRed),
	    Line(0, 100, 0, 0), High(kFullRed),      Line(0, 100, 0, 0),  Synced()};
	EXPECT_EQ(TakeCalls(), expected);
	EXPECT_EQ(PositionsNow(), (Positions{0, 0}));
	ExpectColumn(Pixels(), 0, 0, 100, kFullRed);
	Render(Silence());
	EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(NeedleMeterTest, OddWidthPutsTheLeftFullScaleTipOnTheRightRestTip) {
	Open(199, 100);
	Render(Levels(65535, 0));
	const std::vector<DrawCall> expected = {
	    High(kWhite),         Line(49, 100, -1, 0), Line(150, 100, -1, 0), High(kFullRed),
	    Line(49, 100, 99, 0), High(kBlack),         Line(150, 100, 99, 0), Synced()};
	EXPECT_EQ(TakeCalls(), expected);
	EXPECT_EQ(PositionsNow(), (Positions{99, 99}));
	// The right needle, drawn last, owns the shared tip pixel.
	EXPECT_EQ(Pixels().At(99, 0), kBlack);
}

TEST_F(NeedleMeterTest, ALevelChangeThatKeepsTheTipColumnRedrawsNothing) {
	OpenStandard();
	Render(Silence());
	Render(Levels(700, 0));
	EXPECT_EQ(PositionsNow(), (Positions{1, 100}));
	TakeCalls();
	Render(Levels(680, 0));
	EXPECT_TRUE(TakeCalls().empty());
	EXPECT_EQ(Pixels().At(1, 0), (rgb_color{2, 0, 0, 255}));
}

TEST_F(NeedleMeterTest, OnlyTheNeedleThatMovedIsErasedAndRedrawn) {
	OpenStandard();
	Render(Levels(0, 32768));
	TakeCalls();
	Render(Levels(32768, 32768));
	const std::vector<DrawCall> expected = {High(kWhite), Line(50, 100, 0, 0),
	                                        High(rgb_color{128, 0, 0, 255}), Line(50, 100, 50, 0), Synced()};
	EXPECT_EQ(TakeCalls(), expected);
	EXPECT_EQ(PositionsNow(), (Positions{50, 150}));
	const Image image = Pixels();
	EXPECT_EQ(image.At(0, 0), kWhite);
	ExpectColumn(image, 150, 0, 100, rgb_color{128, 0, 0, 255});
}

TEST_F(NeedleMeterTest, NeedleRedIsTheLevelOver256) {
	OpenStandard();
	Render(Levels(255, 256));
	std::vector<DrawCall> calls = TakeCalls();
	ASSERT_EQ(calls.size(), 8u);
	EXPECT_EQ(calls[3], High(kBlack));
	EXPECT_EQ(calls[5], High(rgb_color{1, 0, 0, 255}));
	EXPECT_EQ(Pixels().At(100, 0), (rgb_color{1, 0, 0, 255}));
}

TEST_F(NeedleMeterTest, ResizeClearsToWhiteAndTheNextCallDrawsBothNeedles) {
	OpenStandard();
	Render(Levels(40000, 50000));
	TakeCalls();

	ASSERT_TRUE(kit::UserResize(window, 240, 120));
	EXPECT_EQ(PositionsNow(), (Positions{-1, -1}));
	std::vector<DrawCall> calls = TakeCalls();
	ASSERT_GE(calls.size(), 2u);
	EXPECT_EQ(calls[0], High(kWhite));
	EXPECT_EQ(calls[1], Fill(0, 0, 240, 120));
	Image image = Pixels();
	Canvas blank(241, 121, kWhite);
	EXPECT_EQ(blank.Compare(image), "");

	Render(Silence());
	calls = TakeCalls();
	const std::vector<DrawCall> expected = {
	    High(kWhite),        Line(60, 120, -1, 0), Line(180, 120, -1, 0),  High(kBlack),
	    Line(60, 120, 0, 0), High(kBlack),         Line(180, 120, 120, 0), Synced()};
	EXPECT_EQ(calls, expected);
}

TEST_F(NeedleMeterTest, ExposedAreaComesBackWhiteWithoutTheNeedle) {
	OpenStandard();
	Render(Levels(32768, 0));
	TakeCalls();
	ASSERT_TRUE(kit::Expose(window, BRect(40, 40, 60, 60)));
	EXPECT_TRUE(TakeCalls().empty());
	const Image image = Pixels();
	EXPECT_EQ(image.At(50, 50), kWhite);
	EXPECT_EQ(image.At(50, 30), (rgb_color{128, 0, 0, 255}));
	EXPECT_EQ(PositionsNow(), (Positions{50, 100}));
}
