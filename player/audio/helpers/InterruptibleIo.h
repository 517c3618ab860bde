// Opening and reading files that may be pipes, FIFOs or devices without
// waiting anywhere a stop request cannot end the wait.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <stop_token>
#include <string>

#include "host/Expected.h"

// open() of a FIFO waits for the other end and read() of a pipe for data, and
// neither returns for a signal handled with SA_RESTART (QuitSignals). These
// calls wait in slices of a tenth of a second instead and give up once
// `stop` is requested, with errno EINTR.
//
// [any thread]
class InterruptibleIo {
public:
	// A descriptor opened for reading, which the caller closes.
	struct Opened {
		int fd = -1;
		bool stream = false; // a pipe, FIFO or socket, to be read with Read()
	};

	// Opens `path` for reading without waiting for a FIFO's writer. A regular
	// file comes back blocking; a pipe, FIFO or socket non-blocking, as a
	// stream. Fails with the reason alone, not the path, when it cannot be
	// opened ("No such file or directory", with errno kept for the caller to
	// tell one reason from another), or is a directory or a device (a
	// terminal, /dev/zero), which has no end to read to (errno 0). The path
	// "-" is standard input.
	static Expected<Opened> OpenForReading(const std::string& path);
	// Reads up to `size` bytes from `fd`, waiting until some are there. The
	// count, 0 at the end, or -1 with errno set (EINTR once `stop` is
	// requested, from any thread).
	static ssize_t Read(int fd, void* buffer, size_t size, std::stop_token stop);
	// std::fopen(path, mode) for writing, except that a FIFO's reader is
	// waited for here rather than inside open(). Null with errno set (EINTR
	// once `stop` is requested).
	static std::FILE* OpenForWriting(const std::string& path, const char* mode, std::stop_token stop);
	// Whether `path` names a FIFO (following a link).
	static bool IsFifo(const std::string& path);
	// Whether `path` names a FIFO that lives in a folder, which writers can
	// open again, rather than a pipe of one writer reached through a link
	// (/dev/stdin, the /dev/fd/N of a process substitution).
	static bool IsNamedFifo(const std::string& path);
};
