// Plays one source to its end, handing each block to the meters when it is heard.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "audio/AudioSource.h"
#include "input/KeyDecoder.h"
#include "playback/AudioOutput.h"
#include "playback/LatencyStatistics.h"
#include "playback/ProgressLine.h"

// With an output, blocks are written some way ahead of what is heard and each
// is rendered once the output reports its first frame as heard; every block is
// rendered, in order, so the meters see the whole stream. A latency offset
// moves the moment a block is shown, not how the sound is written or when it
// ends: the blocks it still holds back when the sound is over are shown at
// once. Without an output,
// blocks are rendered as fast as the source gives them (which for live input
// is as they arrive, or as they are due when it paces itself). The keys are
// looked at every few milliseconds whatever the player waits for: the
// output, or a live source's sound.
//
// [player thread] Everything, hooks included, runs on the thread that calls Play.
class Playback {
public:
	struct Hooks {
		// A block and the frame it starts with, when it is heard.
		std::function<void(const AudioBlock& block, int64_t frame)> render = nullptr;
		// The keys pressed since the last call; called every few milliseconds.
		std::function<std::vector<PlayerKey>()> keys = nullptr;
		// The state to show; called after each rendered block and on pause.
		// Without it the blocks' peaks are not measured.
		std::function<void(const ProgressState& state)> progress = nullptr;
		// The output's device has gone away; the rest is paced by the clock.
		std::function<void()> deviceLost = nullptr;
	};

	enum class Outcome { Finished, Quit, Failed };

	static constexpr double kSeekSeconds = 5.0;

	// `latencyOffsetMs`: blocks are shown that much after they are heard
	// (negative: before); with an output only.
	explicit Playback(Hooks hooks, double latencyOffsetMs = 0.0)
	    : hooks_(std::move(hooks)), latencyOffsetMs_(latencyOffsetMs) {}

	// Plays `source` from its position through `output`, or unpaced when null.
	// Failed means the source ended early; its Error() says why.
	Outcome Play(AudioSource& source, AudioOutput* output);
	// With an output: for every block rendered so far, the time from the
	// moment it was due (its first frame heard, moved by the offset) to its
	// Render returning; blocks shown early at the end are not counted.
	const LatencyStatistics& Latency() const { return latency_; }

private:
	// Applies the keys; returns false on Quit.
	bool HandleKeys(AudioSource& source, AudioOutput* output, bool& restart);
	void Show(const AudioSource& source, int64_t frame);
	void Render(const AudioBlock& block, int64_t frame);

	Hooks hooks_;
	double latencyOffsetMs_;
	bool paused_ = false;
	PeakLevels peak_{};
	LatencyStatistics latency_;
};
