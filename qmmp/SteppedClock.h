// Qmmp's account of what is heard, made into the reading a meter follows.
//
// Qmmp tells the time heard only once it has moved more than a quarter of a
// second since it last told, and then exactly, from its output's thread. It
// starts a song's count at -1 until the first such telling, starts it again
// from where a seek went, and, for a song that follows another without a
// gap, from the moment the song's first sound is decoded, while the last of
// the song before still plays out of its buffer.
//
// This keeps the last exact telling and moves it on at real time until the
// next; reads the start of a song until its first sound is heard (the
// output's delay after a song starts, learnt from the songs before; the rest
// of the song before, for a song that follows one); takes a following song's
// count less what was still to be heard of the one before; and sees a seek
// in a telling that jumps.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "feed/PlayerClock.h"

// [any thread] Each call as its comment says; one lock guards all, and no
// call waits on anything else.
class SteppedClock {
public:
	using Clock = std::chrono::steady_clock;
	enum class State { Stopped, Playing, Paused };

	// [output thread] Qmmp tells that the sound heard now is at `ms` of the song.
	void Told(int64_t ms, Clock::time_point now);
	// [main thread] A meter starts in the middle of a song that Qmmp says is
	// at about `ms`, told to within a quarter of a second: the next telling
	// is taken as it comes.
	void Guess(int64_t ms, Clock::time_point now);

	// [main thread] Whether a playback runs: Qmmp has made an effect of ours
	// and not deleted it yet. Qmmp's state reads stopped for a moment while
	// it joins two songs without a gap; while a playback runs, that is no stop.
	void PlaybackRuns(bool runs);
	// [playback thread] A song's first sound is handed over now; `follows`:
	// it follows the song before without a gap.
	void SongStarts(bool follows, Clock::time_point now);
	// [playback thread] `frames` more of the song at `rate` handed over.
	void HandedOver(int64_t frames, int rate);
	// [playback thread] Whether a seek was seen since the last call.
	bool TakeSeek();

	// The reading a meter follows, Qmmp being in `state` at `now`.
	ClockReading Read(State state, Clock::time_point now);
	// How much of the sound handed over is still to be heard, in ms.
	int64_t UnheardMs(Clock::time_point now);
	// How long the sound takes from the hand-over to being heard at a song's
	// start, as last measured: the output's own delay.
	int64_t OutputDelayMs();

private:
	struct Telling {
		double ms;
		Clock::time_point at;
		bool rough = false; // a guess, which the next telling replaces whatever it says
	};

	// Where the song heard is at `now`, in ms; the lock is held.
	double HeardAt(Clock::time_point now) const;
	// A telling that jumped: a seek to about `ms`.
	void Seek(int64_t ms, Clock::time_point now);

	std::mutex lock_;
	std::optional<Telling> told_; // the last of this song
	double offset_ = 0;           // Qmmp's count less the song's time heard
	bool follows_ = false;        // the song follows another, and Qmmp has not told of it yet
	Clock::time_point heardFrom_; // when the song's first sound is heard, until Qmmp tells
	Clock::time_point handedAt_;  // when the song's first sound was handed over
	double handedMs_ = 0;         // the song's time handed over so far
	double delayMs_ = 0;
	bool runs_ = false;
	bool paused_ = false;
	Clock::time_point pausedAt_;
	bool seek_ = false;
};
