// Qmmp's tellings, as its output makes them, against the reading a meter
// follows: a song's start, the song that follows without a gap, a seek, a
// pause, and all of them from the threads Qmmp makes them on.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "SteppedClock.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using State = SteppedClock::State;
using Clock = SteppedClock::Clock;

constexpr int kRate = 44100;
const Clock::time_point kStart{};

int64_t Heard(SteppedClock& clock, Clock::duration at) {
	return clock.Read(State::Playing, kStart + at).songMs;
}

TEST(SteppedClockTest, ASongReadsItsStartUntilHeardThenMovesBetweenQmmpsTellings) {
	SteppedClock clock;
	clock.SongStarts(false, kStart);
	clock.HandedOver(kRate, kRate);
	// The first song knows no output delay yet: heard as it is handed over.
	EXPECT_EQ(Heard(clock, 100ms), 100);
	// Qmmp first tells once a quarter second is heard; here it was 40 ms late.
	clock.Told(250, kStart + 290ms);
	EXPECT_EQ(clock.OutputDelayMs(), 40);
	EXPECT_EQ(Heard(clock, 300ms), 260);
	EXPECT_EQ(clock.UnheardMs(kStart + 300ms), 1000 - 260);
	clock.Told(512, kStart + 552ms);
	EXPECT_EQ(Heard(clock, 600ms), 560);
	// An output that stalls: the time stops where the next telling was due.
	EXPECT_EQ(Heard(clock, 2s), 512 + 300);
	EXPECT_FALSE(clock.TakeSeek());

	// The next song after a stop is heard after the delay learnt.
	EXPECT_EQ(clock.Read(State::Stopped, kStart + 3s).playing, false);
	clock.SongStarts(false, kStart + 3s);
	EXPECT_EQ(Heard(clock, 3030ms), 0);
	EXPECT_EQ(Heard(clock, 3100ms), 60);
}

TEST(SteppedClockTest, ASongThatFollowsIsHeardAfterTheRestOfTheOneBeforeAndItsCountCorrected) {
	SteppedClock clock;
	clock.SongStarts(false, kStart);
	clock.HandedOver(3 * kRate, kRate);
	for (int64_t ms = 256; ms <= 2560; ms += 256)
		clock.Told(ms, kStart + std::chrono::milliseconds(ms));
	// At 2.8 s, 200 ms of the first song are still to be heard. Qmmp reads
	// stopped for a moment as it joins the songs, which is no stop.
	clock.PlaybackRuns(true);
	EXPECT_TRUE(clock.Read(State::Stopped, kStart + 2800ms).playing);
	clock.SongStarts(true, kStart + 2800ms);
	EXPECT_EQ(Heard(clock, 2900ms), 0);
	EXPECT_EQ(Heard(clock, 3100ms), 100);
	// Qmmp counts the song from its hand-over, 200 ms early: its first
	// telling is no seek, and its count is taken less those 200 ms.
	clock.Told(260, kStart + 3060ms);
	EXPECT_FALSE(clock.TakeSeek());
	EXPECT_EQ(Heard(clock, 3060ms), 60);
	clock.Told(516, kStart + 3316ms);
	EXPECT_EQ(Heard(clock, 3400ms), 400);
	EXPECT_FALSE(clock.TakeSeek());
	clock.PlaybackRuns(false);
	EXPECT_FALSE(clock.Read(State::Stopped, kStart + 3500ms).playing);
}

TEST(SteppedClockTest, ATellingThatJumpsIsASeekAndTheTimeGoesOnFromThere) {
	SteppedClock clock;
	clock.SongStarts(false, kStart);
	clock.Told(256, kStart + 256ms);
	clock.Told(8011, kStart + 400ms);
	EXPECT_TRUE(clock.TakeSeek());
	EXPECT_FALSE(clock.TakeSeek()) << "once";
	EXPECT_EQ(Heard(clock, 500ms), 8111);
	clock.Told(8267, kStart + 656ms);
	EXPECT_FALSE(clock.TakeSeek());
	// A seek before Qmmp told anything of the song, and one backwards.
	clock.SongStarts(false, kStart + 1s);
	clock.Told(4011, kStart + 1100ms);
	EXPECT_TRUE(clock.TakeSeek());
	clock.Told(11, kStart + 1200ms);
	EXPECT_TRUE(clock.TakeSeek());
	EXPECT_EQ(Heard(clock, 1300ms), 111);
}

TEST(SteppedClockTest, PausedTheTimeStandsStillAndGoesOnFromThereAfter) {
	SteppedClock clock;
	clock.SongStarts(false, kStart);
	clock.Told(256, kStart + 256ms);
	const ClockReading paused = clock.Read(State::Paused, kStart + 300ms);
	EXPECT_TRUE(paused.paused);
	EXPECT_EQ(paused.songMs, 300);
	EXPECT_EQ(clock.Read(State::Paused, kStart + 5s).songMs, 300);
	EXPECT_EQ(Heard(clock, 6s), 300);
	EXPECT_EQ(Heard(clock, 6100ms), 400);
	clock.Told(512, kStart + 6212ms);
	EXPECT_FALSE(clock.TakeSeek()) << "the pause is no jump";
}

TEST(SteppedClockTest, AMeterStartedMidSongTakesQmmpsNextTellingWhateverItSays) {
	SteppedClock clock;
	clock.Guess(60000, kStart);
	EXPECT_EQ(Heard(clock, 100ms), 60100);
	clock.Told(60450, kStart + 200ms);
	EXPECT_FALSE(clock.TakeSeek());
	EXPECT_EQ(Heard(clock, 300ms), 60550);
}

// Qmmp's output thread tells, its playback thread hands over and starts
// songs, the feed's thread reads: within a song the time never goes back.
TEST(SteppedClockTest, TellingsHandOversAndReadingsFromTheirOwnThreads) {
	Watchdog watchdog;
	SteppedClock clock;
	clock.SongStarts(false, Clock::now());
	std::atomic<bool> done{false};
	std::thread teller([&] {
		for (int64_t ms = 256; !done; ms += 256) {
			clock.Told(ms, Clock::now());
			std::this_thread::sleep_for(1ms);
		}
	});
	std::thread playback([&] {
		while (!done) {
			clock.HandedOver(512, kRate);
			(void)clock.TakeSeek();
			std::this_thread::sleep_for(1ms);
		}
	});
	int64_t last = 0;
	for (int i = 0; i < 2000; i++) {
		const int64_t now = clock.Read(State::Playing, Clock::now()).songMs;
		EXPECT_GE(now + 150, last);
		last = now;
		(void)clock.UnheardMs(Clock::now());
	}
	done = true;
	teller.join();
	playback.join();
}

} // namespace
