#include "playback/Playback.h"

#include <gtest/gtest.h>

#include <thread>

#include "audio/sources/DemoSignal.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;

namespace {

// `blocks` blocks whose first sample is the block's number; fails after `failAfter` blocks if set.
class CountingSource final : public AudioSource {
public:
	explicit CountingSource(int blocks, int failAfter = -1) : blocks_(blocks), failAfter_(failAfter) {}
	std::string Name() const override { return "counting"; }
	int SampleRate() const override { return 44100; }
	int64_t TotalFrames() const override { return int64_t{blocks_} * kBlockFrames; }
	int64_t Position() const override { return position_; }
	bool NextBlock(AudioBlock& block) override {
		const int64_t index = position_ / kBlockFrames;
		if (index == failAfter_) {
			error_ = "counting: broken";
			return false;
		}
		if (index >= blocks_) return false;
		block.fill(0);
		block[0] = static_cast<int16_t>(index);
		position_ += kBlockFrames;
		return true;
	}
	bool Seek(int64_t frame) override {
		position_ = std::clamp<int64_t>(frame, 0, TotalFrames());
		return true;
	}
	std::string Error() const override { return error_; }

private:
	int blocks_;
	int failAfter_;
	int64_t position_ = 0;
	std::string error_;
};

} // namespace

TEST(Playback, UnpacedRendersEveryBlockInOrder) {
	CountingSource source(30);
	std::vector<int64_t> frames;
	Playback playback({.render = [&](const AudioBlock& block, int64_t frame) {
		EXPECT_EQ(block[0], frame / kBlockFrames);
		frames.push_back(frame);
	}});
	EXPECT_EQ(playback.Play(source, nullptr), Playback::Outcome::Finished);
	ASSERT_EQ(frames.size(), 30u);
	for (size_t i = 0; i < frames.size(); i++)
		EXPECT_EQ(frames[i], static_cast<int64_t>(i) * kBlockFrames);
}

TEST(Playback, PacedRendersEachBlockOnlyOnceItIsHeard) {
	Watchdog watchdog(30s);
	CountingSource source(40); // under half a second
	auto output = AudioOutput::Clocked(44100);
	std::vector<int64_t> frames;
	Playback playback({.render = [&](const AudioBlock&, int64_t frame) {
		EXPECT_GT(output->AudibleFrame(), frame);
		frames.push_back(frame);
	}});
	const auto start = std::chrono::steady_clock::now();
	EXPECT_EQ(playback.Play(source, output.get()), Playback::Outcome::Finished);
	EXPECT_GE(std::chrono::steady_clock::now() - start, 40 * 512 * 1s / 44100);
	ASSERT_EQ(frames.size(), 40u);
	for (size_t i = 0; i < frames.size(); i++)
		EXPECT_EQ(frames[i], static_cast<int64_t>(i) * kBlockFrames);
	EXPECT_EQ(output->AudibleFrame(), output->WrittenFrame());
}

// An offset moves the moment each block is shown, not the pacing: the sound
// ends on time, and the blocks a positive offset still holds back then are
// shown at once.
TEST(Playback, ALatencyOffsetMovesWhenBlocksAreShownButNotWhenTheSoundEnds) {
	Watchdog watchdog(30s);
	constexpr int kBlocks = 40;
	constexpr int64_t kOffsetFrames = 8820; // 200 ms
	const auto sound = kBlocks * kBlockFrames * 1s / 44100;
	for (const double offsetMs : {200.0, -200.0}) {
		SCOPED_TRACE(offsetMs);
		CountingSource source(kBlocks);
		auto output = AudioOutput::Clocked(44100);
		std::vector<int64_t> frames;
		int beforeHeard = 0;
		// Shown once heard and 200 ms on, or at the end; or up to 200 ms before heard.
		auto due = [&](int64_t frame, int64_t heard) {
			if (offsetMs < 0) return heard > frame - kOffsetFrames;
			return heard > frame + kOffsetFrames || heard == output->WrittenFrame();
		};
		Playback playback({.render =
		                       [&](const AudioBlock&, int64_t frame) {
			                       const int64_t heard = output->AudibleFrame();
			                       EXPECT_TRUE(due(frame, heard))
			                           << "block at " << frame << " shown at " << heard;
			                       beforeHeard += heard <= frame;
			                       frames.push_back(frame);
		                       }},
		                  offsetMs);
		const auto start = std::chrono::steady_clock::now();
		EXPECT_EQ(playback.Play(source, output.get()), Playback::Outcome::Finished);
		const auto took = std::chrono::steady_clock::now() - start;
		EXPECT_GE(took, sound);
		EXPECT_LT(took, sound + 500ms);
		ASSERT_EQ(frames.size(), size_t{kBlocks});
		for (size_t i = 0; i < frames.size(); i++)
			EXPECT_EQ(frames[i], static_cast<int64_t>(i) * kBlockFrames);
		if (offsetMs < 0) {
			EXPECT_GT(beforeHeard, kBlocks / 2);
		}
	}
}

// Each rendered block counts the time from its first frame being heard to its
// Render returning: a Render that takes 30 ms shows in its own block's figure.
TEST(Playback, PacedPlaybackMeasuresHowLateEachBlockIsShown) {
	Watchdog watchdog(30s);
	CountingSource source(20);
	auto output = AudioOutput::Clocked(44100);
	Playback playback({.render = [&](const AudioBlock& block, int64_t) {
		if (block[0] == 5) std::this_thread::sleep_for(30ms);
	}});
	EXPECT_EQ(playback.Play(source, output.get()), Playback::Outcome::Finished);
	EXPECT_EQ(playback.Latency().Count(), 20);
	EXPECT_GE(playback.Latency().Quantile(1.0), 30.0);
	EXPECT_GE(playback.Latency().Quantile(0.0), 0.0);
}

TEST(Playback, ArrowKeysSeekFiveSecondsAndQuitStops) {
	DemoSignal demo;
	std::vector<int64_t> frames;
	int calls = 0;
	Playback playback({
	    .render = [&](const AudioBlock&, int64_t frame) { frames.push_back(frame); },
	    .keys =
	        [&] {
		        calls++;
		        if (calls == 3) return std::vector<PlayerKey>{PlayerKey::SeekForward};
		        if (calls == 5) return std::vector<PlayerKey>{PlayerKey::SeekBack, PlayerKey::SeekBack};
		        if (calls == 7) return std::vector<PlayerKey>{PlayerKey::Quit};
		        return std::vector<PlayerKey>{};
	        },
	});
	EXPECT_EQ(playback.Play(demo, nullptr), Playback::Outcome::Quit);
	EXPECT_EQ(frames, (std::vector<int64_t>{0, 512, 1024 + 220500, 1536 + 220500, 0, 512}));
}

TEST(Playback, ASourceThatBreaksIsReportedAsFailed) {
	CountingSource source(30, 12);
	int rendered = 0;
	Playback playback({.render = [&](const AudioBlock&, int64_t) { rendered++; }});
	EXPECT_EQ(playback.Play(source, nullptr), Playback::Outcome::Failed);
	EXPECT_EQ(rendered, 12);
	EXPECT_EQ(source.Error(), "counting: broken");
}
