// A full disk for the check process, made with a file size limit of 0.
#pragma once

#include <signal.h>
#include <sys/resource.h>

// The limit raises SIGXFSZ at every write to a regular file. The signal is
// caught while this object lives, neither ignored nor left to end the
// process: the write then fails with EFBIG as a full disk fails it with
// ENOSPC, the add-on's handling of that failure can be seen, and
// WriteRefused() tells that the add-on did try to write.
// [check thread] One at a time; no other thread of the check writes files
// meanwhile.
class FullDisk {
public:
	FullDisk();
	// Lifts the limit and puts back the signal's previous action.
	~FullDisk();
	FullDisk(const FullDisk&) = delete;
	FullDisk& operator=(const FullDisk&) = delete;

	// False when the limit could not be set: nothing is full then.
	bool IsFull() const { return full_; }
	// True once a write has hit the limit.
	bool WriteRefused() const;

private:
	rlimit savedLimit_{};
	struct sigaction savedAction_ {};
	bool full_ = false;
};
