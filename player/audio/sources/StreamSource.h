// Sound from a pipe (standard input, a process substitution, a FIFO carrying
// a sound file), decoded on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "audio/LiveSource.h"
#include "audio/sources/AudioFileSource.h"

// The writer on the other end sets the pace, and may stop for a while: the
// player is never kept waiting inside a read, so its keys work while the
// writer is away, and a stall gives silent blocks as any live source's does.
// The stream ends at the pipe's end, after what was decoded; a stream that
// fails (it cannot be decoded, it contains no audio) fails once that is
// played. Decoding starts with the first block the player asks for, so that
// pipes that share one writer (`-` and /dev/stdin) are read one after the
// other. A writer that outpaces the player waits.
class StreamSource final : public LiveSource {
public:
	// [player thread] `file` reads a pipe (AudioFileSource::IsStream()).
	explicit StreamSource(std::unique_ptr<AudioFileSource> file);
	// [player thread] Stops the decoding thread within a tenth of a second.
	~StreamSource() override;

	std::string Name() const override { return name_; }
	// What the stream's header says, if it says.
	int64_t TotalFrames() const override { return totalFrames_; }

private:
	void Begin() override;
	// [decoding thread] Hands over the file's blocks until its end or until told to stop.
	void Decode();

	std::unique_ptr<AudioFileSource> file_; // the decoding thread's while it runs
	const std::string name_;
	const int64_t totalFrames_;
	std::thread decoder_;
};
