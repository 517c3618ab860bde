// The player's own account of what is heard, which a meter follows.
#pragma once

#include <cstdint>

struct ClockReading {
	bool playing = false; // a song is open, paused or not
	bool paused = false;
	// Where in the song the sound now heard is, in milliseconds, with the
	// output's delay taken off. The player keeps it at the position of the
	// first sound after a song starts or a seek until that sound is heard.
	int64_t songMs = 0;
};

// [any thread] The feed's thread reads it many times a second.
class PlayerClock {
public:
	virtual ~PlayerClock() = default;

	virtual ClockReading Read() = 0;
	// About how far, in milliseconds, the sound handed over runs ahead of
	// what is heard: the output's buffer. Only used until the clock can be
	// read exactly, when a meter starts in the middle of a song.
	virtual int64_t TypicalDelayMs() = 0;
};
