// The feed's effect as the meters see it: Qmmp's effect calls turned into
// the songs, seeks and stops the meter feed takes, and the clock told when a
// song starts and how much was handed over.
#pragma once

#include <cstdint>

class MeterFeed;
class SteppedClock;

// Qmmp makes an effect for each playback (a song started from a stop, or the
// effect enabled while a song plays) and deletes it when playback stops or
// the effect is disabled; a song that follows without a gap comes to the
// same effect, its first buffer marked. It tells effects of no seek: the
// clock sees those. It calls nothing of Qmmp's.
class QmmpFeed {
public:
	QmmpFeed(MeterFeed& feed, SteppedClock& clock) : feed_(feed), clock_(clock) {}

	// [Qmmp's main thread, or its playback thread before the effect's first
	// buffer] Effect `effect` will get `channels` channels at `rate`.
	void Configure(const void* effect, int channels, int rate);
	// [Qmmp's playback thread] `count` interleaved samples; `songStart`: the
	// first of a song.
	void Apply(const void* effect, const float* samples, int64_t count, bool songStart);
	// [Qmmp's main thread, its playback thread stopped] Effect `effect` is deleted.
	void End(const void* effect);

private:
	MeterFeed& feed_;
	SteppedClock& clock_;
	const void* effect_ = nullptr; // the latest; an older one's calls are ignored
	int channels_ = 2;
	int rate_ = 44100;
	bool started_ = false; // the effect got sound
};
