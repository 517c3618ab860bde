// Headerless PCM from a named FIFO that writers open and close as they please.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/LiveSource.h"
#include "audio/RawPcm.h"
#include "host/Expected.h"

// A music server writes its FIFO while it plays and closes it on pause or
// stop, and opens it again to go on. So a writer going away is a stall, not
// the end: the FIFO is held open for reading, which lets writers open it
// without waiting, and opened afresh each time the last writer leaves. The
// FIFO is watched for that even while the player is behind and its writer
// waits: what the pipe holds the moment the last writer has gone is its
// sound, taken at once, and the part of a frame it ends with is dropped, so
// that the next writer starts on a whole frame, also when it comes at once. A FIFO deleted and made again at
// the same path is found within half a second, as its writer waits for a reader. The meters fall back to rest
// on silent blocks until sound comes again. The stream ends only when the player stops taking it (a quit, the
// end of --duration). A writer that outpaces the player waits: nothing is lost. The FIFO is read from the
// first block the player asks for on.
class RawFifoSource final : public LiveSource {
public:
	// [player thread] Fails with one line, "PATH: reason".
	static Expected<std::unique_ptr<RawFifoSource>> Open(const std::string& path, const RawPcm& format);
	// [player thread] Stops the reading thread, at once.
	~RawFifoSource() override;

	std::string Name() const override { return name_; }
	bool IsPlayed() const override { return false; }

private:
	RawFifoSource(std::string path, int fifo, int wake, int room, const RawPcm& format);
	void Begin() override;
	void RoomMade() override;
	// [reading thread] Hands over whole frames as they come, until told to stop.
	void Receive();
	// [reading thread] Converts the whole frames of the `count` bytes at
	// `bytes` onto converted_; the bytes used.
	size_t Convert(const unsigned char* bytes, size_t count);
	// [reading thread] Once no writer is left: converts what the pipe holds,
	// drops the part of a frame at its end and opens the FIFO afresh; false
	// when that failed.
	bool TakeTheLeaversBytes();
	// [reading thread] Opens the path afresh, for the next writer; false when it failed.
	bool Reopen();
	// [reading thread] Whether the path names another FIFO than the one open.
	bool Replaced() const;

	const std::string path_;
	const std::string name_;
	int fifo_;       // the reading thread's while it runs; -1 while the path has no FIFO
	const int wake_; // an eventfd that the destructor signals
	const int room_; // an eventfd that the player signals when it takes a block
	const RawPcm format_;
	std::thread reader_;
	// The reading thread's: bytes read, the first heldCount_ of them the part
	// of a frame that a read cut off; frames converted, not yet queued.
	std::vector<unsigned char> held_;
	size_t heldCount_ = 0;
	std::vector<int16_t> converted_;
};
