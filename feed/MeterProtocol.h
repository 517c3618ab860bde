// What a player plug-in and its meter process say to each other over one
// socket of sequenced packets, a message a packet: the plug-in hands over
// blocks of sound a little before they are heard, with the times they will
// be heard, and what the user asked of the meter; the meter process renders
// each block at its time and answers with what its window posts. Both sides are
// built from one tree, so the layout is plain structs in this machine's
// byte order; a plug-in and a meter process of different builds refuse
// each other at the start (kProtocolVersion).
#pragma once

#include <cstddef>
#include <cstdint>

namespace meter_protocol {

inline constexpr uint32_t kProtocolVersion = 2;

// What starts every line the meter process writes for the user, on its
// standard error: "vu-meters: PATH: reason".
inline constexpr const char kReportName[] = "vu-meters";

// A block: 512 frames of interleaved 16-bit stereo, left first.
inline constexpr int kBlockFrames = 512;
inline constexpr int kBlockSamples = 2 * kBlockFrames;

// The largest message, a path included.
inline constexpr size_t kMostBytes = 8192;

enum class ToMeter : uint8_t {
	// Before Begin: a file the player plays, which no output of the meter may
	// write over (the trace). Payload: the path, without a terminating null.
	Input = 1,
	// Starts the add-on. Payload: Begin.
	Begin,
	// A block of the stream, to render once its first frame is heard.
	// Payload: Block.
	Block,
	// When the stream's frames are heard, from now on: Clock.
	Clock,
	// The blocks handed over and not yet rendered are never heard (a seek).
	// No payload.
	Drop,
	// No sound follows the blocks handed over (a stop, the playlist's end):
	// once they are rendered, the meter falls back to rest. No payload.
	Rest,
	// The add-on's preferences window and about box. No payload.
	Prefs,
	About,
};

enum class FromMeter : uint8_t {
	// The add-on runs and its window is open. No payload.
	Started = 1,
	// The add-on could not start; the meter process ends. Payload: the
	// line that says why, as the meter process wrote it on standard error.
	Failed,
	// A key that acts on the player. Payload: one byte, Key.
	Key,
	// The meter was closed (its close box, q or Escape); the meter process
	// ends, its settings saved. No payload.
	Closed,
	// A line for the player's verbose log. Payload: the text.
	Log,
	// Once a second while the meter process is well. No payload.
	Alive,
	// How the blocks were rendered, once, as the meter process ends.
	// Payload: Timing.
	Timing,
};

enum class Key : uint8_t { TogglePause = 1, SeekBack, SeekForward };

struct Begin {
	uint32_t version;
};

struct Block {
	int64_t frame; // the stream's frame the block starts with
	uint32_t rate; // frames a second
	int16_t samples[kBlockSamples];
};

// Frame `frame` is heard at `ns` on CLOCK_MONOTONIC, and the frames after it
// at `rate` frames a second while `running`; while not (paused, or waiting
// for the sound after a seek), no later frame is heard.
struct Clock {
	int64_t frame;
	int64_t ns;
	uint32_t rate;
	uint32_t running;
};

struct Timing {
	int64_t rendered; // Render calls for blocks of sound
	int64_t silent;   // Render calls for the silence after a stop
	int32_t medianUs; // how late Render started after the time its block was heard
	int32_t p99Us;
	int32_t latestUs;
	int32_t unused = 0;
};

} // namespace meter_protocol
