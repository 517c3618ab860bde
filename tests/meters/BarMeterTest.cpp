#include <gtest/gtest.h>

#include "display/MeasureLevels.h"
#include "meters/BarMeterWindowTest.h"
#include "meters/bar/BarMeterState.h"

namespace {

constexpr rgb_color kBlack = {0, 0, 0, 255};
constexpr rgb_color kGreen = {0, 255, 0, 255};

class BarMeterTest : public BarMeterWindowTest {
protected:
	void OpenStandard() {
		Open(199, 399);
		TakeCalls();
	}

	Block Levels(uint32 left, uint32 right) { return BlockWithLevels(left, right, kBarDivisor); }

	// Renders until the next drawn frame and returns its calls.
	std::vector<DrawCall> RenderFrame(const Block& block) {
		TakeCalls();
		BarMeterState::render_count = 2;
		EXPECT_TRUE(Render(block));
		return TakeCalls();
	}

	// The tops a drawn frame put its top lines at.
	static std::pair<float, float> DrawnTops(const std::vector<DrawCall>& calls) {
		std::vector<float> tops;
		for (const DrawCall& call : calls)
			if (call.kind == DrawCall::kLine) tops.push_back(call.from.y);
		EXPECT_EQ(tops.size(), 2u);
		return tops.size() == 2 ? std::pair{tops[0], tops[1]} : std::pair{-9999.0f, -9999.0f};
	}
};

} // namespace

TEST_F(BarMeterTest, BlocksAreBuiltWithTheLevelsAsked) {
	const Block block = Levels(12767, 885);
	EXPECT_EQ(MeasureLevels(block.data(), kBlockValues, 100, 26).left, 12767u);
	EXPECT_EQ(MeasureLevels(block.data(), kBlockValues, 100, 26).right, 885u);
}

TEST_F(BarMeterTest, TargetsFollowTheLevelWithFullHeightAt25535) {
	OpenStandard();
	// Far from the target the top moves a step at a time; 120 calls bring every
	// target below within reach, and the top then sits on it exactly.
	for (int i = 0; i < 120; ++i)
		Render(Levels(25535, 12767));
	auto [left, right] = DrawnTops(RenderFrame(Levels(25535, 12767)));
	EXPECT_EQ(left, 0.0f);
	EXPECT_EQ(right, 199.5078125f);
	EXPECT_EQ(PositionsNow(), (Positions{0, 199}));

	for (int i = 0; i < 120; ++i)
		Render(Levels(885, 885));
	std::tie(left, right) = DrawnTops(RenderFrame(Levels(885, 885)));
	EXPECT_FLOAT_EQ(left, 385.17133f);
	EXPECT_EQ(right, left);
	EXPECT_EQ(PositionsNow(), (Positions{385, 385}));

	// The quotient is taken in double precision: in single precision level
	// 274 would give 394.718567.
	for (int i = 0; i < 10; ++i)
		Render(Levels(274, 274));
	std::tie(left, right) = DrawnTops(RenderFrame(Levels(274, 274)));
	EXPECT_EQ(left, 394.718597f);

	// Above 25535 the target lies above the window: −625.02448 at full scale,
	// reached after (399 + 625) / 4 calls.
	for (int i = 0; i < 260; ++i)
		Render(FullScale());
	std::tie(left, right) = DrawnTops(RenderFrame(FullScale()));
	EXPECT_FLOAT_EQ(left, -625.02448f);
	EXPECT_EQ(PositionsNow(), (Positions{-625, -625}));
}

TEST_F(BarMeterTest, FullScaleAfterLoadClimbsAStepPerCallAndTheThirdCallDraws) {
	OpenStandard();
	EXPECT_TRUE(Render(FullScale()));
	EXPECT_EQ(PositionsNow(), (Positions{395, 395}));
	EXPECT_TRUE(Render(FullScale()));
	EXPECT_EQ(PositionsNow(), (Positions{391, 391}));
	EXPECT_TRUE(TakeCalls().empty());

	EXPECT_TRUE(Render(FullScale()));
	EXPECT_EQ(PositionsNow(), (Positions{387, 387}));
	const std::vector<DrawCall> expected = {High(kBlack),
	                                        Fill(0, 0, 98, 387),
	                                        Fill(99, 0, 199, 387),
	                                        High(kGreen),
	                                        Fill(0, 387, 98, 399),
	                                        High(kGreen),
	                                        Fill(100, 387, 199, 399),
	                                        High(kGreen),
	                                        Line(1, 387, 98, 387),
	                                        Line(100, 387, 198, 387),
	                                        Synced()};
	EXPECT_EQ(TakeCalls(), expected);

	const Image image = Pixels();
	for (int32 x = 0; x <= 199; ++x) {
		const bool bar = x != 99;
		for (int32 y = 0; y <= 399; ++y)
			ASSERT_EQ(image.At(x, y), bar && y >= 387 ? kGreen : kBlack) << "at " << x << ", " << y;
	}
}

TEST_F(BarMeterTest, BarFallsFromTheTopEdgeByAStepAndThenTakesTheTarget) {
	OpenStandard();
	SetPositions(0, 0);
	for (int32 expected = 4; expected <= 396; expected += 4) {
		Render(Silence());
		ASSERT_EQ(PositionsNow(), (Positions{expected, expected}));
	}
	Render(Silence());
	EXPECT_EQ(PositionsNow(), (Positions{399, 399}));

	// A frame drawn on the way down erases what the bar gave up since the
	// last drawn frame.
	SetPositions(100, 100);
	BarMeterState::last_top_left = 96.0f;
	BarMeterState::last_top_right = 96.0f;
	const std::vector<DrawCall> calls = RenderFrame(Silence());
	ASSERT_GE(calls.size(), 3u);
	EXPECT_EQ(calls[1], Fill(0, 96, 98, 104));
	EXPECT_EQ(calls[2], Fill(99, 96, 199, 104));
	// The next frame starts from the top this one drew.
	const std::vector<DrawCall> next = RenderFrame(Silence());
	ASSERT_GE(next.size(), 3u);
	EXPECT_EQ(next[1], Fill(0, 104, 98, 108));
}

TEST_F(BarMeterTest, SteadyLevelSettlesOnTheTargetWithoutOscillating) {
	OpenStandard();
	SetPositions(200, 200);
	auto tops = DrawnTops(RenderFrame(Levels(12767, 12767)));
	EXPECT_EQ(tops.first, 199.5078125f);
	EXPECT_EQ(PositionsNow(), (Positions{199, 199}));
	for (int i = 0; i < 3; ++i) {
		tops = DrawnTops(RenderFrame(Levels(12767, 12767)));
		EXPECT_EQ(tops.first, 199.5078125f);
		EXPECT_EQ(tops.second, 199.5078125f);
		EXPECT_EQ(PositionsNow(), (Positions{199, 199}));
	}
}

TEST_F(BarMeterTest, DrawsOnEveryThirdCallCountedSinceLoadAcrossWindows) {
	OpenStandard();
	std::vector<int> drawnCalls;
	int call = 0;
	auto renderAndNote = [&] {
		EXPECT_TRUE(Render(Levels(9000, 3000)));
		++call;
		const std::vector<DrawCall> calls = TakeCalls();
		if (!calls.empty()) {
			drawnCalls.push_back(call);
			EXPECT_EQ(calls.back(), Synced());
		}
	};
	for (int i = 0; i < 7; ++i)
		renderAndNote();
	// A new window does not restart the count.
	Close();
	OpenStandard();
	for (int i = 0; i < 5; ++i)
		renderAndNote();
	EXPECT_EQ(drawnCalls, (std::vector<int>{3, 6, 9, 12}));
}

TEST_F(BarMeterTest, ResizePaintsBlackAndEmptiesTheBars) {
	OpenStandard();
	for (int i = 0; i < 30; ++i)
		Render(FullScale());
	ASSERT_EQ(PositionsNow(), (Positions{279, 279}));
	const float lastTop = BarMeterState::last_top_left;
	TakeCalls();

	ASSERT_TRUE(kit::UserResize(window, 149, 299));
	EXPECT_EQ(PositionsNow(), (Positions{299, 299}));
	const std::vector<DrawCall> calls = TakeCalls();
	ASSERT_GE(calls.size(), 2u);
	EXPECT_EQ(calls[0], High(kBlack));
	EXPECT_EQ(calls[1], Fill(0, 0, 149, 299));
	const Image image = Pixels();
	for (int32 y = 0; y <= 299; ++y)
		for (int32 x = 0; x <= 149; ++x)
			ASSERT_EQ(image.At(x, y), kBlack) << "at " << x << ", " << y;

	// The next drawn frame erases from the old drawn tops down to the new ones.
	EXPECT_EQ(BarMeterState::last_top_left, lastTop);
	const std::vector<DrawCall> frame = RenderFrame(Silence());
	ASSERT_GE(frame.size(), 3u);
	EXPECT_EQ(frame[1], Fill(0, lastTop, 73, 299));
	EXPECT_EQ(Pixels().At(10, 299), kGreen);
	EXPECT_EQ(Pixels().At(10, 298), kBlack);
}

TEST_F(BarMeterTest, RedrawPaintsTheExposedViewBlack) {
	OpenStandard();
	for (int i = 0; i < 60; ++i)
		Render(FullScale());
	ASSERT_NE(Pixels().At(20, 350), kBlack);
	TakeCalls();

	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->view->ViewColor(), kBlack);
	window->Unlock();
	ASSERT_TRUE(kit::Expose(window, BRect(10, 300, 59, 379)));
	const std::vector<DrawCall> calls = TakeCalls();
	ASSERT_EQ(calls.size(), 2u);
	EXPECT_EQ(calls[0], High(kBlack));
	EXPECT_EQ(calls[1], Fill(0, 0, 199, 399));
	const Image image = Pixels();
	EXPECT_EQ(image.At(20, 350), kBlack);
	EXPECT_NE(image.At(60, 350), kBlack);
}

TEST_F(BarMeterTest, LowWindowStepsOnePixelAndVeryLowOneHasOneRowBands) {
	Open(99, 59);
	Render(FullScale());
	EXPECT_EQ(PositionsNow(), (Positions{58, 58}));
	Close();

	Open(99, 19);
	Render(FullScale());
	Render(FullScale());
	TakeCalls();
	const std::vector<DrawCall> calls = RenderFrame(FullScale());
	EXPECT_EQ(PositionsNow(), (Positions{16, 16}));
	// Erase, then per bar three one-row bands and the strip.
	ASSERT_GE(calls.size(), 11u);
	const std::vector<DrawCall> leftBar(calls.begin() + 3, calls.begin() + 11);
	EXPECT_EQ(leftBar, (std::vector<DrawCall>{High(kGreen), Fill(0, 18, 48, 19), High({0, 170, 0, 255}),
	                                          Fill(0, 17, 48, 18), High({0, 85, 0, 255}), Fill(0, 16, 48, 17),
	                                          High(kBlack), Fill(0, 16, 48, 16)}));
}

TEST_F(BarMeterTest, ZeroHeightWindowHasEveryTargetAtTheTop) {
	Open(99, 0);
	EXPECT_EQ(PositionsNow(), (Positions{0, 0}));
	Render(Silence());
	Render(FullScale());
	Render(Levels(3000, 0));
	EXPECT_EQ(PositionsNow(), (Positions{0, 0}));
	const Image image = Pixels();
	EXPECT_EQ(image.At(0, 0), kGreen);
	EXPECT_EQ(image.At(49, 0), kBlack);
	EXPECT_EQ(image.At(50, 0), kGreen);
}

TEST_F(BarMeterTest, NarrowWindowPaintsNoLeftBar) {
	Open(1, 99);
	for (int i = 0; i < 6; ++i)
		Render(FullScale());
	const Image image = Pixels();
	// Column 0 belongs to the left bar, whose rectangles are inverted; only the
	// right bar, column 1, is filled. The top lines may still cross column 0.
	for (int32 y = 97; y <= 99; ++y) {
		EXPECT_EQ(image.At(0, y), kBlack) << "row " << y;
		EXPECT_EQ(image.At(1, y), kGreen) << "row " << y;
	}
}
