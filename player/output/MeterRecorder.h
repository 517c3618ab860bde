// Records the meter window: a YUV4MPEG2 stream, the last frame as PNG, or a
// folder of numbered PNG frames, chosen by the path.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include <GraphicsDefs.h>

#include "host/Expected.h"
#include "output/Y4mWriter.h"

class BWindow;

// Every block the audio plays counts, whether or not the meter is running: a
// window that is gone (stopped or closed) is recorded as its last picture, so
// that the video lasts as long as the sound, the padding of the last block
// not included. Without a frame rate each block gives one frame. With one, frame k is taken once the sound
// has reached the middle of its time, (k + 1/2) / fps, so that the frames cover the sound to the nearest
// frame. A recording has at least one frame: the last picture, when the sound was shorter than half a frame.
//
// A stream keeps the size of its first frame: later frames of another size
// are cropped or padded black. A window that has not drawn since the last
// frame is neither read nor converted again. Frames and the PNG go to
// RecordingFiles.
//
// [player thread] The windows passed must be alive.
class MeterRecorder {
public:
	// `path`: "X.y4m" or "-" for a stream, "X.png" or a folder. `fps` 0: one frame per block;
	// a block is `blockFrames` frames of sound. A reader that takes nothing
	// is waited for until a stop is requested of `stop`. `standardOutput`:
	// the descriptor a stream to "-" writes to, as RecordingFile takes it.
	MeterRecorder(std::string path, double fps, int blockFrames, std::stop_token stop, int standardOutput);

	// Takes the window's picture as the last one, for the blocks played
	// once it is gone. Fails when it cannot be read.
	Expected<void> Remember(BWindow* window);
	// After each block played, at `sampleRate` frames a second, of which
	// the first `soundFrames` are sound; `window` null when it is gone. Fails
	// when writing failed.
	Expected<void> Capture(BWindow* window, int sampleRate, int soundFrames);
	// Completes the recording: the last picture for a PNG, at least one
	// frame otherwise. Fails when that failed or no sound was played to
	// record; then no recording is left under the path.
	Expected<void> Finish();

	const std::string& Path() const { return path_; }
	// Seconds of sound recorded so far.
	double Seconds() const { return seconds_; }
	int64_t Frames() const { return frames_; }

private:
	enum class Kind { Stream, Picture, Folder };

	Expected<void> HasPicture();
	Failure Unreadable() const;
	Expected<void> WriteFrame();
	Expected<void> WritePng(const std::string& path);
	Expected<void> StreamWindow(BWindow* window, int64_t due);
	Expected<void> WriteStreamFrame(); // from the last picture
	Expected<void> StreamPicture(const rgb_color* pixels, int32 width, int32 height);
	Expected<void> RepeatStreamFrame();

	std::string path_;
	Kind kind_;
	double fps_;
	int blockFrames_;
	std::stop_token stop_;
	int firstRate_ = 0; // the sample rate of the first block, which sets a stream's rate without fps
	int64_t blocks_ = 0;
	double seconds_ = 0;
	int64_t frames_ = 0;
	Y4mWriter stream_;
	int width_ = 0, height_ = 0;    // the stream's frame size
	std::vector<rgb_color> pixels_; // the last picture
	int32 pictureWidth_ = 0, pictureHeight_ = 0;
	uint64 pictureVersion_ = 0;  // the window's version of it
	uint64 streamedVersion_ = 0; // the picture last written to the stream, which a repeat needs not convert
	std::vector<uint8_t> frame_; // a picture cropped or padded to the stream's size
};
