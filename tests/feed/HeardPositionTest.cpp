#include <gtest/gtest.h>

#include "feed/HeardPosition.h"

namespace {

using namespace std::chrono_literals;
using Clock = HeardPosition::Clock;

constexpr int kRate = 44100;

ClockReading Playing(int64_t songMs) { return {true, false, songMs}; }

TEST(HeardPositionTest, TheOldSongsTailPlaysOutAtRealTimeWhileTheClockWaitsForTheNextSong) {
	HeardPosition heard;
	const Clock::time_point start{};
	heard.Begin(0, kRate, true);
	heard.FirstSound();
	heard.Read(Playing(0), start);
	heard.Read(Playing(400), start + 400ms);
	EXPECT_TRUE(heard.Exact());
	EXPECT_DOUBLE_EQ(heard.Heard(), 0.4 * kRate);
	// Song 2 starts at the second's frame; its clock reads 0 until it is heard.
	heard.Begin(kRate, kRate, false);
	heard.FirstSound();
	heard.Read(Playing(0), start + 410ms);
	heard.Read(Playing(0), start + 700ms);
	EXPECT_FALSE(heard.Exact());
	EXPECT_NEAR(heard.Heard(), 0.7 * kRate, 1);
	heard.Read(Playing(0), start + 1100ms);
	EXPECT_DOUBLE_EQ(heard.Heard(), kRate) << "none of song 2 is heard before its clock moves";
	heard.Read(Playing(10), start + 1110ms);
	EXPECT_TRUE(heard.Exact());
	EXPECT_DOUBLE_EQ(heard.Heard(), 1.01 * kRate);
}

TEST(HeardPositionTest, AClockThatFallsBackToZeroAtTheEndDoesNotUnhearTheSong) {
	HeardPosition heard;
	const Clock::time_point start{};
	heard.Begin(0, kRate, true);
	heard.FirstSound();
	heard.Read(Playing(0), start);
	heard.Read(Playing(2400), start + 2400ms);
	// The player closes the song before its last sound leaves the buffer.
	heard.Read(Playing(0), start + 2410ms);
	EXPECT_NEAR(heard.Heard(), 2.41 * kRate, 1);
	heard.End();
	heard.Read({false, false, 0}, start + 2600ms);
	EXPECT_NEAR(heard.Heard(), 2.6 * kRate, 1);
	EXPECT_TRUE(heard.Moving());
}

} // namespace
