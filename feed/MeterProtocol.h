// What a player plug-in and its meter process say to each other over one
// socket of sequenced packets, a message a packet: the plug-in hands over
// blocks of sound as they are heard and what the user asked of the meter;
// the meter process answers with what its window posts. Both sides are
// built from one tree, so the layout is plain structs in this machine's
// byte order; a plug-in and a meter process of different builds refuse
// each other at the start (kProtocolVersion).
#pragma once

#include <cstddef>
#include <cstdint>

namespace meter_protocol {

inline constexpr uint32_t kProtocolVersion = 1;

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
	// A block that is being heard now. Payload: Block.
	Block,
	// Playback stopped: the meter falls back to rest. No payload.
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
	int64_t sentNs; // when it was sent, on CLOCK_MONOTONIC
	int32_t lateUs; // how long it had been heard then; kUnmeasured when the player could not tell
	uint32_t rate;  // frames a second
	int16_t samples[kBlockSamples];
};
inline constexpr int32_t kUnmeasured = INT32_MIN;

struct Timing {
	int64_t rendered; // Render calls for blocks of sound
	int64_t silent;   // Render calls for the silence after a stop
	int64_t measured; // blocks whose lateness is known
	int32_t medianUs; // of those, how late Render started after the block was first heard
	int32_t p99Us;
	int32_t latestUs;
};

} // namespace meter_protocol
