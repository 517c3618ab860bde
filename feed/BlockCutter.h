// Cuts the sound a player hands over, in pieces of any length, into the
// blocks the add-ons take, as vuplay cuts a file: 512 frames from the first
// frame of the stream on, each converted to 16-bit stereo by the one sample
// conversion, the last one of a song padded with silence.
#pragma once

#include <cstdint>
#include <functional>

#include "MeterProtocol.h"

// [one thread at a time] The thread the player plays on.
class BlockCutter {
public:
	using Samples = int16_t[meter_protocol::kBlockSamples];
	// Called with each whole block, and the frame of the stream it starts
	// with; the samples are valid during the call only.
	using Sink = std::function<void(int64_t frame, const Samples& samples)>;

	explicit BlockCutter(Sink sink) : sink_(std::move(sink)) {}

	// The stream goes on from frame `frame` with `channels` interleaved
	// channels (mono on both sides; of more, the first two). What was left of
	// a block is dropped.
	void Restart(int64_t frame, int channels);
	// `frames` frames of interleaved samples, full scale at ±1.
	void Cut(const float* samples, int64_t frames);
	// The song ends: what is left of a block goes out padded with silence.
	void Finish();
	// What is left of a block is dropped (a seek).
	void Drop() { filled_ = 0; }

	// The frame the next sample handed over is.
	int64_t Frame() const { return next_; }

private:
	Sink sink_;
	int channels_ = 2;
	Samples block_ = {};
	int filled_ = 0;   // frames of block_ filled so far
	int64_t next_ = 0; // the stream's frame of the next sample
};
