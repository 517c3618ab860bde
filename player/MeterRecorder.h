// Records the meter window: a YUV4MPEG2 stream, the last frame as PNG, or a
// folder of numbered PNG frames, chosen by the path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <GraphicsDefs.h>

#include "Y4mWriter.h"

class BWindow;

// Frames are taken after Render calls. Without a frame rate every call gives
// one frame; with one, a call gives as many frames (possibly none) as are due
// by the time the blocks rendered so far take to play. A stream keeps the size
// of its first frame: later frames of another size are cropped or padded black.
//
// [player thread] The windows passed must be alive.
class MeterRecorder {
public:
	// `path`: "X.y4m", "X.png" or a folder. `fps` 0: one frame per block of
	// `blockFrames` frames at `sampleRate`.
	MeterRecorder(std::string path, double fps, int sampleRate, int blockFrames);

	// Called after each Render; false with Error() set when writing failed.
	bool Capture(BWindow* window);
	// Takes the last frame, for a PNG, while the window still lives.
	bool Keep(BWindow* window);
	// Completes the recording; false with Error() set on failure.
	bool Finish();

	int64_t Frames() const { return frames_; }
	const std::string& Error() const { return error_; }

private:
	enum class Kind { Stream, Picture, Folder };

	bool WriteFrame(BWindow* window);
	bool WriteStreamFrame(BWindow* window);

	std::string path_;
	Kind kind_;
	double fps_;
	int sampleRate_;
	int blockFrames_;
	int64_t blocks_ = 0;
	int64_t frames_ = 0;
	bool kept_ = false;
	Y4mWriter stream_;
	int width_ = 0, height_ = 0;    // the stream's frame size
	std::vector<rgb_color> pixels_; // the window as last read, kept to spare an allocation a frame
	std::vector<uint8_t> frame_;    // a frame cropped or padded to the stream's size
	std::string error_;
};
