// Writes frames on a thread of its own while the next ones are made.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// A small ring of frame buffers between the thread that makes frames and a
// writing thread: the maker fills a free buffer and queues it; the writer
// waits for a few frames rather than waking for each, then writes all that are
// queued, in order, each buffer free again as soon as it is written. A frame equal to the
// last one is queued again without a copy or a conversion.
//
// Copies into a pipe that the kernel could spare were tried and measured
// slower on meter recordings, where nearly every frame is new: handing over
// the buffers' own pages (vmsplice) needs fresh pages for every frame, as the
// reader may hold the old ones as long as it likes, and sending a frame kept
// in a pipe of our own (tee) costs a copy into that pipe first.
//
// Back-pressure: when every buffer waits to be written (a slow reader),
// Slot() and QueueRepeat() wait. A pipe is written only as far as it has
// room, so a reader that takes nothing never holds the writer where it
// cannot give up: once a stop is requested of the token given and the reader
// took nothing for a tenth of a second, or when the writer is destroyed, it
// stops and the rest is not written (errno EINTR).
//
// [one maker thread] for the public calls; the writing thread is internal.
class FrameWriter {
public:
	// Frames of `frameBytes` bytes to `fd`, which stays open and owned by
	// the caller, after the stream's `header`; a reader that takes nothing
	// is waited for until a stop is requested of `stop`.
	FrameWriter(int fd, size_t frameBytes, std::string header, std::stop_token stop);
	~FrameWriter(); // stops at once, leaving what is queued unwritten

	FrameWriter(const FrameWriter&) = delete;
	FrameWriter& operator=(const FrameWriter&) = delete;

	// The buffer to make the next frame in, waiting for one to be free;
	// null once a write has failed.
	uint8_t* Slot();
	// Queues the frame made in the buffer Slot() gave last.
	bool Queue();
	// Queues the last frame queued once more. False once a write failed.
	bool QueueRepeat();
	// Returns once everything queued is written; false when a write failed.
	bool Drain();
	// The errno of the write that failed; 0 while none has.
	int Error();

private:
	static constexpr int kSlots = 8;      // the last frame, kept for repeats, and seven more
	static constexpr int kQueueSize = 64; // frames queued at most, repeats included
	static constexpr int kBatch = 8;      // frames the writer waits for, unless the maker waits

	bool Push(int slot);
	int FreeSlot() const;
	void Hurry(std::unique_lock<std::mutex>& lock);
	void WriteQueued();
	bool WriteAll(const uint8_t* data, size_t size);
	bool WaitForRoom(); // until a pipe takes more; false with errno EINTR when given up
	size_t Room();      // bytes a pipe takes without waiting, once it takes any

	const int fd_;
	const size_t frameBytes_;
	const bool pipe_;
	const std::string header_;
	std::array<std::vector<uint8_t>, kSlots> buffers_;

	std::mutex mutex_;
	std::condition_variable work_;          // for the writer: a batch is queued, or the maker waits, or stop
	std::condition_variable room_;          // for the maker: frames were written, or a write failed
	std::array<int, kSlots> queuedTimes_{}; // entries of the queue that name each buffer
	std::array<int, kQueueSize> queue_{};   // slot numbers, from head_ on
	int head_ = 0, count_ = 0;
	int filling_ = -1;   // the slot Slot() gave out
	int last_ = -1;      // the slot queued last
	bool hurry_ = false; // the maker waits for the writer: write what there is
	int error_ = 0;
	std::atomic<bool> stopping_ = false; // set under the mutex, read by the writer while it writes
	const std::stop_token stop_;
	std::thread thread_;
};
