// The player's view of a stream of sound: fixed blocks of interleaved 16-bit
// stereo, the shape every add-on's Render expects.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kBlockFrames = 512;
inline constexpr int kBlockSamples = 2 * kBlockFrames; // interleaved, left first

using AudioBlock = std::array<int16_t, kBlockSamples>;

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
};
