// The feed's thread against a clock the test runs, and a meter that renders
// what it is sent at the times it is told, as the meter process does: blocks
// render once the clock says they are heard, in order and once each, none
// while paused, a seek drops what waited, and the playlist's end rests.
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feed/BlockSink.h"
#include "feed/MeterFeed.h"
#include "feed/PlayerClock.h"
#include "feed/TimedBlocks.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr int kRate = 44100;

// A player's clock that moves with real time while it plays, from where it
// was set. [any thread]
class RunningClock final : public PlayerClock {
public:
	ClockReading Read() override {
		const std::lock_guard lock(lock_);
		ClockReading reading = reading_;
		if (reading.playing && !reading.paused && moving_)
			reading.songMs +=
			    std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - since_).count();
		return reading;
	}
	int64_t TypicalDelayMs() override { return 500; }
	// Reads `songMs` from now on; it moves only once `moving`.
	void Set(bool playing, bool paused, int64_t songMs, bool moving) {
		const std::lock_guard lock(lock_);
		reading_ = {playing, paused, songMs};
		moving_ = moving;
		since_ = Steady::now();
	}

private:
	std::mutex lock_;
	ClockReading reading_;
	bool moving_ = false;
	Steady::time_point since_;
};

// Renders what it is sent on its own thread, as a meter process does, and
// keeps the number each block starts with (its first left sample) and the rests.
class Meter final : public BlockSink {
public:
	static constexpr int kRest = -1;

	Meter() : thread_([this](std::stop_token stop) { Run(stop); }) {}

	void SendBlock(int64_t frame, int rate, const int16_t* samples) override {
		meter_protocol::Block block{frame, uint32_t(rate), {}};
		std::copy(samples, samples + meter_protocol::kBlockSamples, block.samples);
		const std::lock_guard lock(lock_);
		blocks_.Add(block);
	}
	void SendClock(const meter_protocol::Clock& clock) override {
		const std::lock_guard lock(lock_);
		blocks_.SetClock(clock);
	}
	void SendDrop() override {
		const std::lock_guard lock(lock_);
		blocks_.Drop();
	}
	void SendRest() override {
		const std::lock_guard lock(lock_);
		restNext_ = true;
	}

	std::vector<int> Rendered() {
		const std::lock_guard lock(lock_);
		return rendered_;
	}
	// Waits until `count` were rendered; false when they were not within a while.
	bool Await(size_t count) {
		for (int i = 0; i < 2000; i++) {
			if (Rendered().size() >= count) return true;
			std::this_thread::sleep_for(5ms);
		}
		return false;
	}

private:
	void Run(std::stop_token stop) {
		while (!stop.stop_requested()) {
			{
				const std::lock_guard lock(lock_);
				for (const meter_protocol::Block* block; (block = blocks_.Due(Steady::now()));) {
					rendered_.push_back(block->samples[0]);
					blocks_.Pop();
				}
				if (restNext_ && blocks_.Empty()) {
					rendered_.push_back(kRest);
					restNext_ = false;
				}
			}
			std::this_thread::sleep_for(1ms);
		}
	}

	std::mutex lock_;
	TimedBlocks blocks_;
	bool restNext_ = false;
	std::vector<int> rendered_;
	std::jthread thread_;
};

// `blocks` blocks of stereo whose every sample is the block's number, from `first` on.
std::vector<float> Blocks(int first, int blocks) {
	std::vector<float> samples;
	for (int block = first; block < first + blocks; block++)
		samples.insert(samples.end(), 2 * 512, float(block) / 32768);
	return samples;
}

TEST(MeterFeedTest, BlocksRenderWhenHeardNoneWhilePausedASeekDropsWhatWaitedAndTheEndRests) {
	Watchdog watchdog(60s);
	RunningClock clock;
	Meter meter;
	MeterFeed feed(clock);
	feed.Add(meter);
	// A song of 20 blocks (232 ms) starts; the clock reads 0 until its first sound is heard.
	clock.Set(true, false, 0, false);
	feed.Start(2, kRate, false);
	const std::vector<float> song = Blocks(0, 20);
	feed.Process(song.data(), int64_t(song.size()));
	std::this_thread::sleep_for(100ms);
	EXPECT_TRUE(meter.Rendered().empty()) << "nothing is heard before the clock moves";
	clock.Set(true, false, 0, true);
	ASSERT_TRUE(meter.Await(3));

	clock.Set(true, true, 40, false);
	feed.Nudge();
	std::this_thread::sleep_for(50ms);
	const std::vector<int> paused = meter.Rendered();
	std::this_thread::sleep_for(200ms);
	EXPECT_EQ(meter.Rendered(), paused) << "nothing renders while paused";
	EXPECT_LT(paused.size(), 20u);

	// A seek to 2 s: what waited is dropped; the new place is heard once the clock moves from there.
	clock.Set(true, false, 2000, false);
	feed.Flush();
	const std::vector<float> after = Blocks(100, 3);
	feed.Process(after.data(), int64_t(after.size()));
	std::this_thread::sleep_for(100ms);
	EXPECT_EQ(meter.Rendered(), paused);
	clock.Set(true, false, 2000, true);
	ASSERT_TRUE(meter.Await(paused.size() + 3));

	// The playlist's last block, half of it, renders padded, then the meter rests.
	const std::vector<float> half(512, float(103) / 32768);
	feed.Process(half.data(), int64_t(half.size()));
	feed.Finish(true);
	ASSERT_TRUE(meter.Await(paused.size() + 5));
	feed.Remove(meter);

	std::vector<int> expected;
	for (int block = 0; block < int(paused.size()); block++)
		expected.push_back(block);
	expected.insert(expected.end(), {100, 101, 102, 103, Meter::kRest});
	EXPECT_EQ(meter.Rendered(), expected);
	EXPECT_LT(feed.ClockError().p99Us, 20000) << "the clock sent follows the player's";
}

} // namespace
