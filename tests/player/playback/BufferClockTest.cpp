#include "playback/BufferClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;
constexpr int64_t kBuffer = 1024;
const BufferClock::TimePoint kStart{};
// Half a millisecond; seeing a take a block late used to put the frame heard a block behind.
constexpr double kTolerance = kRate / 2000.0;

// A device that starts playing at kStart (plus any pause) and takes a buffer
// each time the one before has played out.
struct Device {
	std::chrono::duration<double> paused{0};

	double PlayingSeconds(BufferClock::TimePoint now) const {
		return std::chrono::duration<double>(now - kStart).count() - paused.count();
	}
	int64_t Taken(BufferClock::TimePoint now) const {
		return (static_cast<int64_t>(PlayingSeconds(now) * kRate) / kBuffer + 1) * kBuffer;
	}
	int64_t Heard(BufferClock::TimePoint now) const {
		return static_cast<int64_t>(PlayingSeconds(now) * kRate);
	}
};

BufferClock::TimePoint At(double milliseconds) {
	return kStart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
	                    std::chrono::duration<double, std::milli>(milliseconds));
}

} // namespace

// A player that looks now and then, sometimes a block or two late, still sees
// the frame the device is playing, not the one it played when last looked at.
TEST(BufferClock, FollowsTheDeviceHoweverLateTheTakesAreSeen) {
	Device device;
	BufferClock clock(kBuffer, kRate, kStart);
	clock.Restart(0, kStart);
	std::mt19937 random(7);
	std::uniform_real_distribution<double> gap(1.0, 25.0);
	int64_t last = 0;
	for (double ms = 0.05; ms < 10000; ms += gap(random)) {
		const auto now = At(ms);
		const int64_t heard = clock.Heard(device.Taken(now), now);
		EXPECT_NEAR(double(heard), double(device.Heard(now)), kTolerance) << "at " << ms << " ms";
		EXPECT_GE(heard, last) << "at " << ms << " ms";
		last = heard;
	}
}

TEST(BufferClock, NeverPassesTheFramesTakenNorStandsBeforeTheRestart) {
	BufferClock clock(kBuffer, kRate, kStart);
	clock.Restart(5000, kStart);
	EXPECT_EQ(clock.Heard(5000, At(100)), 5000 - kBuffer + kBuffer);
	// A take seen long after the device stopped taking (a starved queue) is
	// placed no earlier than the old count was last seen.
	EXPECT_EQ(clock.Heard(5000, At(990)), 5000);
	EXPECT_EQ(clock.Heard(5000 + kBuffer, At(1000)), 5000 + kRate / 100);
	EXPECT_EQ(clock.Heard(5000 + kBuffer, At(1000) + 1h), 5000 + kBuffer);
}

TEST(BufferClock, StandsStillWhilePausedAndGoesOnFromThere) {
	Device device;
	BufferClock clock(kBuffer, kRate, kStart);
	clock.Restart(0, kStart);
	EXPECT_EQ(clock.Heard(device.Taken(At(0)), At(0)), 0);
	const int64_t before = clock.Heard(device.Taken(At(30)), At(30));
	clock.Pause(At(30));
	EXPECT_EQ(clock.Heard(device.Taken(At(30)), At(530)), before);
	clock.Resume(At(530));
	device.paused = 500ms;
	for (double ms = 531; ms < 700; ms += 13) {
		const auto now = At(ms);
		EXPECT_NEAR(double(clock.Heard(device.Taken(now), now)), double(device.Heard(now)), kTolerance) << ms;
	}
}

TEST(BufferClock, ARestartWhilePausedPlaysFromItsFrameOnceResumed) {
	BufferClock clock(kBuffer, kRate, kStart);
	clock.Restart(0, kStart);
	clock.Pause(At(30));
	clock.Restart(5000, At(200));
	EXPECT_EQ(clock.Heard(5000, At(400)), 5000 - kBuffer);
	clock.Resume(At(530));
	EXPECT_EQ(clock.Heard(5000, At(540)), 5000 - kBuffer + kRate / 100);
}
