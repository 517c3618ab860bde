// Headerless PCM from a named FIFO that writers open and close as they please.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/LiveSource.h"
#include "audio/helpers/FifoWriterWatch.h"
#include "audio/helpers/RawPcm.h"
#include "host/Expected.h"

// A music server writes its FIFO while it plays and closes it on pause or
// stop, and opens it again to go on. So a writer going away is a stall, not
// the end: the FIFO is held open for reading, which lets writers open it
// without waiting, and opened afresh each time the last writer leaves. Each
// writer's bytes start on a whole frame, whatever part of one the writer
// before left, also when it starts while the player is still behind the one
// before (FifoWriterWatch). A FIFO deleted and made again at the same path is
// found within half a second, as its writer waits for a reader. The meters
// fall back to rest on silent blocks until sound comes again. The stream ends
// only when the player stops taking it (a quit, the end of --duration). A
// writer that outpaces the player waits: nothing is lost. The FIFO is read
// from the first block the player asks for on.
class RawFifoSource final : public LiveSource {
public:
	// [player thread] Fails with one line, "PATH: reason".
	static Expected<std::unique_ptr<RawFifoSource>> Open(const std::string& path, const RawPcm& format);
	// [player thread] Stops the reading thread, at once.
	~RawFifoSource() override;

	std::string Name() const override { return name_; }
	bool IsPlayed() const override { return false; }

private:
	RawFifoSource(std::string path, int watched, int fifo, int wake, int room, const RawPcm& format);
	void Begin() override;
	void RoomMade() override;
	// [reading thread] Hands over whole frames as they come, until told to stop.
	void Receive();
	// [reading thread] Converts the whole frames of the `count` bytes at
	// `bytes` onto converted_; the bytes used.
	size_t Convert(const unsigned char* bytes, size_t count);
	// [reading thread] Converts the whole frames held, each writer's apart
	// (`ends`, where writers left off), and keeps the part of a frame at the
	// end for the next read.
	void TakeHeld(const std::vector<uint64_t>& ends);
	// [reading thread] Opens the path afresh, for the next writer; false when it failed.
	bool Reopen();

	const std::string path_;
	const std::string name_;
	int fifo_;       // the reading thread's while it runs; -1 while the path has no FIFO
	const int wake_; // an eventfd that the destructor signals
	const int room_; // an eventfd that the player signals when it takes a block
	const RawPcm format_;
	FifoWriterWatch writers_;
	std::thread reader_;
	// The reading thread's: bytes read, not yet converted, the first of them
	// the heldAt_-th of all read; frames converted, not yet queued.
	std::vector<unsigned char> held_;
	size_t heldCount_ = 0;
	uint64_t heldAt_ = 0;
	std::vector<int16_t> converted_;
};
