#include "playback/AudioOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <thread>

#include "audio/sources/AudioCapture.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;

namespace {

// A clock that moves only when the test says so.
struct FakeClock {
	std::chrono::steady_clock::time_point now{};
	AudioOutput::Clock Function() {
		return [this] { return now; };
	}
};

std::unique_ptr<AudioOutput> Muted(FakeClock& clock, int rate = 44100) {
	auto output = AudioOutput::Clocked(rate, clock.Function());
	EXPECT_FALSE(output->HasDevice());
	return output;
}

void WriteBlocks(AudioOutput& output, int count) {
	const AudioBlock silence{};
	for (int i = 0; i < count; i++)
		output.Write(silence);
}

} // namespace

TEST(AudioOutput, WithoutADeviceTheClockPacesTheFrameHeard) {
	FakeClock clock;
	auto output = Muted(clock);
	WriteBlocks(*output, 200); // 102400 frames, more than two seconds
	EXPECT_EQ(output->AudibleFrame(), 0);
	clock.now += 500ms;
	EXPECT_EQ(output->AudibleFrame(), 22050);
	clock.now += 1s;
	EXPECT_EQ(output->AudibleFrame(), 66150);
	EXPECT_EQ(output->PendingFrames(), 102400 - 66150);
}

TEST(AudioOutput, PausingStopsTheClock) {
	FakeClock clock;
	auto output = Muted(clock);
	WriteBlocks(*output, 200);
	clock.now += 100ms;
	output->SetPaused(true);
	clock.now += 10s;
	EXPECT_EQ(output->AudibleFrame(), 4410);
	output->SetPaused(false);
	clock.now += 100ms;
	EXPECT_EQ(output->AudibleFrame(), 8820);
}

TEST(AudioOutput, AStarvedClockWaitsForWhatIsWrittenNext) {
	FakeClock clock;
	auto output = Muted(clock);
	WriteBlocks(*output, 1);
	clock.now += 1s;
	EXPECT_EQ(output->AudibleFrame(), 512); // not past the frames written
	WriteBlocks(*output, 10);
	EXPECT_EQ(output->AudibleFrame(), 512); // the new block is heard from now, not a second ago
	clock.now += 10ms;
	EXPECT_EQ(output->AudibleFrame(), 512 + 441);
}

TEST(AudioOutput, RestartContinuesFromTheFrameGiven) {
	FakeClock clock;
	auto output = Muted(clock);
	WriteBlocks(*output, 100);
	clock.now += 200ms;
	output->Restart(441000);
	EXPECT_EQ(output->WrittenFrame(), 441000);
	EXPECT_EQ(output->AudibleFrame(), 441000);
	WriteBlocks(*output, 100);
	clock.now += 100ms;
	EXPECT_EQ(output->AudibleFrame(), 441000 + 4410);
}

TEST(AudioOutput, FailsWithTheReasonWhenNoDeviceOpens) {
	setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
	const auto opened = AudioOutput::Open(44100, {});
	unsetenv("SDL_AUDIODRIVER");
	ASSERT_FALSE(opened);
	EXPECT_EQ(opened.Error().rfind("no sound output: ", 0), 0u) << opened.Error();
}

TEST(AudioOutput, ADeviceReportsTheFrameHeardAdvancingBehindTheFramesWritten) {
	Watchdog watchdog(30s);
	setenv("SDL_AUDIODRIVER", "dummy", 1);
	auto opened = AudioOutput::Open(44100, {});
	ASSERT_TRUE(opened) << opened.Error();
	auto& output = *opened;
	ASSERT_TRUE(output->HasDevice());
	EXPECT_GT(output->LatencyFrames(), 0);
	WriteBlocks(*output, 100); // about 1.2 seconds
	EXPECT_LT(output->AudibleFrame(), output->WrittenFrame());
	int64_t heard = 0;
	while ((heard = output->AudibleFrame()) < 10 * 512)
		std::this_thread::sleep_for(5ms);
	EXPECT_LE(heard, output->WrittenFrame());

	output->SetPaused(true);
	const int64_t paused = output->AudibleFrame();
	std::this_thread::sleep_for(200ms);
	EXPECT_EQ(output->AudibleFrame(), paused);
	output->SetPaused(false);

	output->Restart(1000000);
	EXPECT_EQ(output->AudibleFrame(), 1000000);
	// With nothing queued the device buffer plays out, and the frame heard reaches the frames written.
	WriteBlocks(*output, 2);
	while (output->AudibleFrame() < output->WrittenFrame())
		std::this_thread::sleep_for(5ms);
	unsetenv("SDL_AUDIODRIVER");
}

// The device takes a whole buffer (about 23 ms) at a time; between takes the
// frame heard moves on with the clock instead of standing still.
TEST(AudioOutput, ADeviceReportsTheFrameHeardBetweenBufferTakes) {
	Watchdog watchdog(30s);
	setenv("SDL_AUDIODRIVER", "dummy", 1);
	auto opened = AudioOutput::Open(44100, {});
	ASSERT_TRUE(opened) << opened.Error();
	auto& output = *opened;
	ASSERT_TRUE(output->HasDevice());
	WriteBlocks(*output, 100);
	std::set<int64_t> seen;
	int64_t last = 0;
	for (int i = 0; i < 100; i++) {
		const int64_t heard = output->AudibleFrame();
		EXPECT_GE(heard, last);
		last = heard;
		seen.insert(heard);
		std::this_thread::sleep_for(3ms);
	}
	// A buffer at a time would give one value per take, about 15 in 300 ms.
	EXPECT_GT(seen.size(), 40u);
	unsetenv("SDL_AUDIODRIVER");
}

TEST(AudioCapture, AnUnknownDeviceIsNamedInTheError) {
	setenv("SDL_AUDIODRIVER", "dummy", 1);
	const auto capture = AudioCapture::Open("no such microphone");
	unsetenv("SDL_AUDIODRIVER");
	ASSERT_FALSE(capture);
	EXPECT_EQ(capture.Error().rfind("capture device 'no such microphone': ", 0), 0u) << capture.Error();
}

TEST(AudioCapture, DeliversWholeBlocksFromTheDevice) {
	Watchdog watchdog(30s);
	setenv("SDL_AUDIODRIVER", "dummy", 1);
	auto opened = AudioCapture::Open("");
	unsetenv("SDL_AUDIODRIVER");
	if (!opened) GTEST_SKIP() << "no capture device with the dummy driver: " << opened.Error();
	auto& capture = *opened;
	EXPECT_EQ(capture->TotalFrames(), -1);
	EXPECT_FALSE(capture->Seek(0));
	AudioBlock block;
	block.fill(1);
	for (int i = 0; i < 3; i++)
		ASSERT_TRUE(capture->NextBlock(block)) << capture->Error();
	EXPECT_EQ(capture->Position(), 3 * 512);
	// The dummy driver records silence.
	for (const int16_t sample : block)
		ASSERT_EQ(sample, 0);
}
