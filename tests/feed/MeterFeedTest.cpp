// The feed's thread against a clock the test sets: blocks go out once the
// clock says they are heard, in order and once each, none while paused, a
// seek drops what waited, and the playlist's end lets the meter rest.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feed/BlockSink.h"
#include "feed/MeterFeed.h"
#include "feed/PlayerClock.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;

constexpr int kRate = 44100;

class SetClock final : public PlayerClock {
public:
	ClockReading Read() override {
		const std::lock_guard lock(lock_);
		return reading_;
	}
	int64_t TypicalDelayMs() override { return 500; }
	void Set(ClockReading reading) {
		const std::lock_guard lock(lock_);
		reading_ = reading;
	}

private:
	std::mutex lock_;
	ClockReading reading_;
};

// Keeps the position each block starts with (its first left sample) and the rests.
class Record final : public BlockSink {
public:
	void SendBlock(const int16_t* samples, int, int32_t) override {
		const std::lock_guard lock(lock_);
		events_.push_back(samples[0]);
	}
	void SendRest() override {
		const std::lock_guard lock(lock_);
		events_.push_back(kRest);
	}
	std::vector<int> Events() {
		const std::lock_guard lock(lock_);
		return events_;
	}
	// Waits until `count` events came; false when they did not within a while.
	bool Await(size_t count) {
		for (int i = 0; i < 1000; i++) {
			if (Events().size() >= count) return true;
			std::this_thread::sleep_for(5ms);
		}
		return false;
	}

	static constexpr int kRest = -1;

private:
	std::mutex lock_;
	std::vector<int> events_;
};

// `blocks` blocks of stereo whose every sample is the block's number from `first` on, scaled.
std::vector<float> Blocks(int first, int blocks) {
	std::vector<float> samples;
	for (int block = first; block < first + blocks; block++)
		samples.insert(samples.end(), 2 * 512, float(block) / 32768);
	return samples;
}

TEST(MeterFeedTest, BlocksGoOutWhenHeardNoneWhilePausedASeekDropsWhatWaitedAndTheEndRests) {
	Watchdog watchdog(60s);
	SetClock clock;
	Record record;
	MeterFeed feed(clock);
	feed.Add(record);
	clock.Set({true, false, 0});
	feed.Start(2, kRate, false);
	std::vector<float> song = Blocks(0, 10);
	feed.Process(song.data(), int64_t(song.size()));

	// The clock reads the song's start until its first sound is heard.
	std::this_thread::sleep_for(100ms);
	EXPECT_TRUE(record.Events().empty());
	clock.Set({true, false, 30}); // 1323 frames: blocks 0 to 2 have begun
	ASSERT_TRUE(record.Await(3));
	clock.Set({true, true, 100});
	std::this_thread::sleep_for(100ms);
	EXPECT_EQ(record.Events(), (std::vector<int>{0, 1, 2})) << "nothing goes out while paused";
	clock.Set({true, false, 100}); // 4410 frames: up to block 8
	ASSERT_TRUE(record.Await(9));

	// A seek to 2 s: block 9 waited and is dropped; the new stretch waits
	// until the clock moves past the place it went to.
	clock.Set({true, false, 2000});
	feed.Flush();
	std::vector<float> after = Blocks(100, 3);
	feed.Process(after.data(), int64_t(after.size()));
	std::this_thread::sleep_for(100ms);
	EXPECT_EQ(record.Events().size(), 9u);
	clock.Set({true, false, 2030});
	ASSERT_TRUE(record.Await(12));

	// The last block of the playlist, half of it, goes out padded, then the meter rests.
	std::vector<float> half(512, float(103) / 32768);
	feed.Process(half.data(), int64_t(half.size()));
	feed.Finish(true);
	clock.Set({false, false, 0});
	ASSERT_TRUE(record.Await(14));
	feed.Remove(record);
	EXPECT_EQ(record.Events(),
	          (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 100, 101, 102, 103, Record::kRest}));
}

} // namespace
