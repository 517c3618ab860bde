#include "audio/helpers/InterruptibleIo.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Long enough not to spin, short enough that a quit is seen at once.
constexpr int kSliceMs = 100;

} // namespace

bool InterruptibleIo::IsFifo(const std::string& path) {
	struct stat status;
	return ::stat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool InterruptibleIo::IsNamedFifo(const std::string& path) {
	// Pipes without a name live in the kernel's pipe file system, FIFOs in the folder's.
	struct statfs where;
	return IsFifo(path) && ::statfs(path.c_str(), &where) == 0 && where.f_type != PIPEFS_MAGIC;
}

Expected<InterruptibleIo::Opened> InterruptibleIo::OpenForReading(const std::string& path) {
	// A copy of standard input, so that closing the source leaves descriptor 0 in place.
	const int fd = path == "-" ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
	                           : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0) {
		const int error = errno;
		Failure failure{std::strerror(error)};
		errno = error;
		return failure;
	}
	struct stat status;
	if (::fstat(fd, &status) != 0) {
		Failure failure{std::strerror(errno)};
		::close(fd);
		return failure;
	}
	const char* refused = S_ISDIR(status.st_mode)                              ? "is a directory"
	                      : S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ? "is a device, not a file"
	                                                                           : nullptr;
	if (refused) {
		::close(fd);
		errno = 0;
		return Failure{refused};
	}
	const bool stream = S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode);
	const int flags = ::fcntl(fd, F_GETFL);
	::fcntl(fd, F_SETFL, stream ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
	return Opened{fd, stream};
}

ssize_t InterruptibleIo::Read(int fd, void* buffer, size_t size, std::stop_token stop) {
	for (;;) {
		if (stop.stop_requested()) {
			errno = EINTR;
			return -1;
		}
		// Polled before reading: a FIFO that has never had a writer reads as
		// ended, while poll() waits for the writer's first bytes or its end.
		pollfd ready{fd, POLLIN, 0};
		const int polled = ::poll(&ready, 1, kSliceMs);
		if (polled < 0 && errno != EINTR) return -1;
		if (polled <= 0) continue;
		const ssize_t count = ::read(fd, buffer, size);
		if (count >= 0 || (errno != EAGAIN && errno != EINTR)) return count;
	}
}

std::FILE* InterruptibleIo::OpenForWriting(const std::string& path, const char* mode, std::stop_token stop) {
	if (!IsFifo(path)) return std::fopen(path.c_str(), mode);
	// Without a reader a non-blocking open fails with ENXIO instead of waiting.
	for (;;) {
		if (stop.stop_requested()) {
			errno = EINTR;
			return nullptr;
		}
		const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
		if (fd >= 0) {
			::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
			std::FILE* file = ::fdopen(fd, mode);
			if (!file) ::close(fd);
			return file;
		}
		if (errno != ENXIO) return nullptr;
		::poll(nullptr, 0, kSliceMs);
	}
}
