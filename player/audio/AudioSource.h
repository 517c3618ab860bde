// The player's view of a stream of sound: fixed blocks of interleaved 16-bit
// stereo, the shape every add-on's Render expects.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kBlockFrames = 512;
inline constexpr int kBlockSamples = 2 * kBlockFrames; // interleaved, left first

using AudioBlock = std::array<int16_t, kBlockSamples>;

// Sources are files, made up, or live. A live source (IsLive(); see
// LiveSource) is sound arriving as something else makes it, at its own pace:
// NextBlock waits for it, and gives silent blocks at the block rate only once
// nothing has come for longer than a writer's usual gaps, so that the meters
// fall back to rest through a real stall and the sound goes on where it comes
// back. A live source has no place to seek to, and it may have no length
// (TotalFrames() is -1). Pacing to real time is the player's business.
//
// [player thread] An audio source is used by one thread at a time.
class AudioSource {
public:
	virtual ~AudioSource() = default;

	// What the progress line shows: a file's base name, "demo", the device.
	virtual std::string Name() const = 0;
	virtual int SampleRate() const = 0;
	// Frames in the whole stream; -1 when unknown (live input).
	virtual int64_t TotalFrames() const = 0;
	// Frame that the next block starts with.
	virtual int64_t Position() const = 0;

	// Fills `block` with the next 512 frames; the last block of a stream is
	// padded with silence. Returns false, leaving `block` alone, at the end or
	// on a failure, which Error() then describes.
	virtual bool NextBlock(AudioBlock& block) = 0;
	// Moves to `frame`, clamped to the stream. False when the source cannot seek.
	virtual bool Seek(int64_t frame) = 0;
	// Why the stream ended early; empty after a clean end.
	virtual std::string Error() const { return {}; }
	// The frame where the sound ends, once that is known (at the latest when
	// NextBlock has given the block that holds it); -1 before and for live
	// input. What a block holds past it is padding.
	virtual int64_t EndOfSound() const { return -1; }

	// Waits up to `limit` until NextBlock would return without waiting (a
	// block, the end or a failure); whether it would. Sources that never keep
	// the player waiting long, files and made-up sound, return true at once.
	virtual bool WaitForBlock(std::chrono::steady_clock::duration) { return true; }

	// Whether the source is live, as described above.
	virtual bool IsLive() const { return false; }
	// Whether the player plays the sound as well as metering it: false for a
	// copy of sound that plays elsewhere already (a capture device, the
	// server's monitor, a music server's FIFO output).
	virtual bool IsPlayed() const { return true; }
	// What happened to the source since the last call that the user should
	// know but that does not end it (a sound server gone or back), one line
	// each, without the program's name.
	virtual std::vector<std::string> TakeWarnings() { return {}; }
};
