// Writes RGBA frames as a YUV4MPEG2 video stream (4:2:0, BT.601, video range).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "output/RecordingFile.h"

// The stream goes to a RecordingFile and takes PATH's name only in Finish(),
// so a failed or abandoned recording never leaves a truncated file under PATH.
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
	Y4mWriter() = default; // an unfinished stream is abandoned and its partial file removed

	Y4mWriter(const Y4mWriter&) = delete;
	Y4mWriter& operator=(const Y4mWriter&) = delete;

	// Starts a stream of `width` x `height` frames at `rateNumerator` /
	// `rateDenominator` frames a second. False with Error() set on failure.
	bool Open(const std::string& path, int width, int height, int rateNumerator, int rateDenominator);
	// `rgba` holds `height` rows of `stride` bytes, 4 bytes a pixel in the
	// order red, green, blue, alpha; alpha is ignored, as frames are opaque.
	bool WriteFrame(std::span<const uint8_t> rgba, size_t stride);
	// Flushes and closes the stream and gives it its path's name.
	bool Finish();

	int64_t FramesWritten() const { return frames_; }
	const std::string& Error() const { return error_; }

private:
	bool Fail(); // a write failed, with errno set
	void ConvertLuma(const uint8_t* rgba, size_t stride);
	void ConvertChroma(const uint8_t* rgba, size_t stride);

	RecordingFile output_;
	int width_ = 0;
	int height_ = 0;
	int64_t frames_ = 0;
	std::vector<uint8_t> planes_;   // one frame: Y, then Cb, then Cr
	std::vector<bool> sameAsAbove_; // per row of the frame being converted
	std::string error_;
};
