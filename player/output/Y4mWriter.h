// Writes RGBA frames as a YUV4MPEG2 video stream (4:2:0, BT.601, video range).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "output/FrameWriter.h"
#include "output/RecordingFile.h"
#include "output/Yuv420Converter.h"

// The stream goes to a RecordingFile and takes PATH's name only in Finish(),
// so a failed or abandoned recording never leaves a truncated file under PATH.
// Chroma is sampled at the centre of each 2 x 2 block (C420jpeg). Frames are
// written by a FrameWriter while the next ones are converted.
//
// [player thread]
class Y4mWriter {
public:
	// An unfinished stream is abandoned and its partial file removed.
	// `standardOutput`: the descriptor a stream to "-" writes to, as
	// RecordingFile takes it.
	explicit Y4mWriter(int standardOutput = -1) : output_(standardOutput) {}

	Y4mWriter(const Y4mWriter&) = delete;
	Y4mWriter& operator=(const Y4mWriter&) = delete;

	// Starts a stream of `width` x `height` frames at `rateNumerator` /
	// `rateDenominator` frames a second. Its reader is waited for until a
	// stop is requested of `stop`. Each call below fails with one line, "PATH:
	// reason"; a failure abandons the stream.
	Expected<void> Open(const std::string& path, int width, int height, int rateNumerator,
	                    int rateDenominator, std::stop_token stop);
	// `rgba` holds `height` rows of `stride` bytes, 4 bytes a pixel in the
	// order red, green, blue, alpha; alpha is ignored, as frames are opaque.
	Expected<void> WriteFrame(std::span<const uint8_t> rgba, size_t stride);
	// Writes the last frame again, without converting it again.
	Expected<void> RepeatFrame();
	// Flushes and closes the stream and gives it its path's name.
	Expected<void> Finish();

	int64_t FramesWritten() const { return frames_; }

private:
	Failure Fail(); // a write failed, with errno set
	Failure WriterFailed();
	Failure NotOpen() const;

	RecordingFile output_;
	int width_ = 0;
	int height_ = 0;
	int64_t frames_ = 0;
	std::optional<Yuv420Converter> converter_;
	std::unique_ptr<FrameWriter> writer_; // stopped before output_ closes the file
};
