// Where in the bytes read from a FIFO each of its writers left off, so that
// the next one's bytes start on a whole frame, also when it comes at once.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// A FIFO's writers share one pipe: a writer that opens it before the one
// before has been read to its end writes behind it, and nothing in the bytes
// tells where one ends. The moment the last writer closes it, though, the
// kernel reports it to every descriptor that waits in poll(), and what the
// pipe holds then is that writer's. So a thread of its own waits on a
// descriptor of its own, never read, and takes the count of what is unread
// then; the thread that reads the FIFO does so through Read(), which counts
// the bytes read and hands over those places as it reaches them. A writer
// that opens the FIFO in the instant between the other's closing and this
// thread's waking is the one case it cannot tell apart.
class FifoWriterWatch {
public:
	// Starts watching the FIFO at `path` through `watched`, a descriptor of
	// it opened for reading, now owned here: the writers that open it after
	// `watched` was opened are seen to leave, so it is opened before any
	// other reader lets a writer in. [reading thread]
	FifoWriterWatch(std::string path, int watched);
	// Stops the watching thread, at once. [reading thread]
	~FifoWriterWatch();

	FifoWriterWatch(const FifoWriterWatch&) = delete;
	FifoWriterWatch& operator=(const FifoWriterWatch&) = delete;

	// read(2) of `fd`, a descriptor of the FIFO, and into `ends` the places
	// (offsets in all the bytes read so far, from 0) where writers left off,
	// up to the end of this read; the end of this read itself when it found
	// the FIFO without a writer (0 bytes). [reading thread]
	ssize_t Read(int fd, void* into, size_t size, std::vector<uint64_t>& ends);

	// The FIFO at `path` opened afresh for reading, without waiting; -1 with
	// errno ENOENT when the path names no FIFO now. [any thread]
	static int OpenAgain(const std::string& path);
	// Whether `path` names another FIFO than `fd` has open, or one at all
	// when `fd` is -1. [any thread]
	static bool Replaced(const std::string& path, int fd);

private:
	// [watching thread] Until a stop is requested.
	void Watch(std::stop_token stop);
	// [watching thread] The last writer has left: where, and a descriptor
	// for the next one to leave.
	void WriterLeft();

	const std::string path_;
	int watched_;    // the watching thread's; -1 while the path has no FIFO
	const int wake_; // an eventfd that the destructor signals

	std::mutex lock_; // guards the reads and the members below
	uint64_t read_ = 0;
	std::deque<uint64_t> ends_; // not yet handed over, in order

	std::jthread thread_; // last: stopped before the rest goes
};
