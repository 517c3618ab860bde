// Writes RGBA frames as a YUV4MPEG2 video stream (4:2:0, BT.601, video range).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// The stream goes to "PATH.part" and takes its name only in Finish(), so a
// failed or abandoned recording never leaves a truncated file under PATH. A
// PATH that exists and is no regular file (a pipe, a device such as
// /dev/null) is written straight into instead; a FIFO's reader is waited for
// until it comes or a quit signal does.
// Chroma is sampled at the centre of each 2 x 2 block (C420jpeg); for odd
// sizes the last row and column of chroma cover one pixel row or column.
//
// Meter frames are mostly rows repeated and runs of one colour, so a row equal
// to the one above is copied, not converted, and a pixel (or 2 x 2 block) equal
// to the one before reuses its result; the output is the same either way.
//
// [player thread]
class Y4mWriter {
public:
	Y4mWriter() = default;
	~Y4mWriter(); // abandons an unfinished stream and removes its partial file

	Y4mWriter(const Y4mWriter&) = delete;
	Y4mWriter& operator=(const Y4mWriter&) = delete;

	// Starts a stream of `width` x `height` frames at `rateNumerator` /
	// `rateDenominator` frames a second. False with Error() set on failure.
	bool Open(const std::string& path, int width, int height, int rateNumerator, int rateDenominator);
	// `rgba` holds `height` rows of `stride` bytes, 4 bytes a pixel in the
	// order red, green, blue, alpha; alpha is ignored, as frames are opaque.
	bool WriteFrame(std::span<const uint8_t> rgba, size_t stride);
	// Flushes, closes and renames the stream to its path.
	bool Finish();

	int64_t FramesWritten() const { return frames_; }
	const std::string& Error() const { return error_; }

private:
	bool Fail(const std::string& what);
	void Abandon();
	void ConvertLuma(const uint8_t* rgba, size_t stride);
	void ConvertChroma(const uint8_t* rgba, size_t stride);

	std::string path_;
	std::FILE* file_ = nullptr; // owned
	bool direct_ = false;       // writing into PATH itself, not PATH.part
	int width_ = 0;
	int height_ = 0;
	int64_t frames_ = 0;
	std::vector<uint8_t> planes_;   // one frame: Y, then Cb, then Cr
	std::vector<bool> sameAsAbove_; // per row of the frame being converted
	std::string error_;
};
