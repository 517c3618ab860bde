// Where in the stream of blocks the sound now heard is, from the readings of
// the player's clock, which counts the time of the song heard with the
// output's delay taken off.
//
// The blocks are numbered by frame across songs. Each stretch of the stream
// (a song from its start, or from a seek) begins at a frame; the clock reads
// the song's time of that frame until its first sound is heard, then goes on
// from there, so that once it moves, frame and time meet exactly. Where the
// clock cannot tell (the end of the last song still playing out of the
// output's buffer while it already reads the next stretch, or the playlist's
// end), the position moves on at real time from where it was last known.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "PlayerClock.h"

// [one thread] The feed's.
class HeardPosition {
public:
	using Clock = std::chrono::steady_clock;

	// A stretch begins at `frame`, `rate` frames a second. `flushed`: what came
	// before is dropped and never heard (a seek, a stop).
	void Begin(int64_t frame, int rate, bool flushed);
	// The first sound of the stretch has been handed over, so the player
	// counts the stretch's time: the next reading tells where it starts.
	void FirstSound();
	// The stream was joined at `frame` while it played: the player's clock
	// reads `reading` now, and the sound at `frame` is heard about `delayMs`
	// later. Exact from the next stretch on.
	void Join(int64_t frame, int rate, const ClockReading& reading, int64_t delayMs, Clock::time_point now);
	// No sound follows: what is left plays out at real time.
	void End();

	// A reading of the clock, taken at `now`.
	void Read(const ClockReading& reading, Clock::time_point now);

	// The frame heard at the last reading; a block is heard once its first
	// frame is, so a block at `frame` is due once this passes it.
	double Heard() const { return heard_; }
	// Whether the last reading was the clock's own, not an estimate.
	bool Exact() const { return exact_; }
	// Whether the position moves: playing, not paused.
	bool Moving() const { return moving_; }
	// Whether it is held at the start of a stretch until the clock moves:
	// the moment that start is heard is not known before.
	bool Held() const { return held_; }
	// The rate at the heard position.
	int Rate() const { return rate_; }
	// When the position will pass `frame` at the present pace; `now` when it
	// has, and a far time when it does not move.
	Clock::time_point When(int64_t frame) const;

private:
	struct Stretch {
		int64_t frame = 0;
		int rate = 44100;
		std::optional<int64_t> startMs; // the song's time of `frame`, once read
		bool sounding = false;          // its first sound was handed over
		bool heard = false;             // the clock moved past startMs
	};

	std::optional<Stretch> stretch_; // the latest one
	double heard_ = 0;
	int rate_ = 44100;
	Clock::time_point heardAt_{};
	bool exact_ = false;
	bool moving_ = false;
	bool held_ = false;
	bool ended_ = false;
};
