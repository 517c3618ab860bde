// Plays the player's blocks on the default output device and tells which
// frame is being heard, so that the meters can show the block being heard.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "audio/AudioSource.h"
#include "host/Expected.h"
#include "playback/BufferClock.h"

// With a device, the frame heard follows the frames the device has taken from
// SDL's queue (see BufferClock): the device takes a buffer at a time and plays
// it out at the sample rate, so the frame heard moves smoothly, not a buffer at
// a time, one buffer (the device's own latency) behind the frames taken. Without a
// device (none opens, or the sound is muted) the same calls pace by the clock:
// the frame heard advances at the sample rate from the last Restart, stops
// while paused, and never passes the frames written, as a starved device would.
// A device that goes away while playing (its sound server ended, unplugged),
// or that takes nothing for two seconds (its server stopped answering), is
// left for the clock, from the frame it was playing.
//
// [player thread] All calls; the device pulls from SDL's queue on its own thread.
class AudioOutput {
public:
	using Clock = std::function<std::chrono::steady_clock::time_point()>;

	// Opens the default output device at `sampleRate` for interleaved 16-bit
	// stereo; SDL converts when the device differs. Fails when no device
	// opens, with the line that says why ("no sound output: ..."), or with no
	// line when a stop request ended the wait, which is no news; the caller
	// then paces by the clock with Clocked(). A sound server that SDL would
	// play through is asked first, within a bound and until a stop is
	// requested of `stop`, as SDL would wait for it without end.
	static Expected<std::unique_ptr<AudioOutput>> Open(int sampleRate, std::stop_token stop,
	                                                   Clock clock = std::chrono::steady_clock::now);
	// An output without a device, paced by `clock`: for muted sound, or
	// when Open() failed.
	static std::unique_ptr<AudioOutput> Clocked(int sampleRate, Clock clock = std::chrono::steady_clock::now);
	~AudioOutput();

	AudioOutput(const AudioOutput&) = delete;
	AudioOutput& operator=(const AudioOutput&) = delete;

	bool HasDevice() const { return device_ != 0; }
	// True once, when the device has gone away since the last call: from then
	// on the output paces by the clock, from the frame that was being heard.
	// Called every few milliseconds while playing, as it looks for a device
	// that takes nothing.
	bool DeviceLost();
	int SampleRate() const { return sampleRate_; }
	// The device's buffer in frames; 0 without a device.
	int64_t LatencyFrames() const { return latencyFrames_; }

	// Queues one block behind those written before.
	void Write(const AudioBlock& block);
	// The frame after the last one written.
	int64_t WrittenFrame() const { return written_; }
	// The frame being heard now; never before the frame of the last Restart
	// nor past the frames written.
	int64_t AudibleFrame() const;
	// Frames written but not heard yet.
	int64_t PendingFrames() const { return written_ - AudibleFrame(); }

	void SetPaused(bool paused);
	bool Paused() const { return paused_; }
	// Drops everything queued; the next block written starts at `frame`.
	void Restart(int64_t frame);

private:
	AudioOutput(int sampleRate, Clock clock);
	int64_t ClockFrame(std::chrono::steady_clock::time_point now) const;
	// Closes the device and ends SDL's audio, waiting half a second at most:
	// SDL waits for the device's thread, which a sound server that stopped
	// answering holds forever. The close then finishes on its own, if ever.
	void CloseDevice();

	uint32_t device_ = 0;       // SDL_AudioDeviceID; 0 when pacing by the clock
	bool audioStarted_ = false; // SDL's audio, to be ended with the output
	int sampleRate_;
	Clock clock_;
	int64_t latencyFrames_ = 0;
	int64_t base_ = 0; // frame of the last Restart
	int64_t written_ = 0;
	bool paused_ = false;
	// Clock pacing: the frame heard at `anchorTime_` was `anchorFrame_`.
	int64_t anchorFrame_ = 0;
	std::chrono::steady_clock::time_point anchorTime_;
	// Device pacing, from the frames the device has taken from SDL's queue.
	mutable BufferClock bufferClock_;
	int64_t taken_ = 0;                             // frames the device had taken when last looked at
	std::chrono::steady_clock::time_point takenAt_; // since when that count has not moved with sound queued
};
