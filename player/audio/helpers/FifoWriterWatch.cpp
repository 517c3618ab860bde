#include "audio/helpers/FifoWriterWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// How often an idle watch looks whether the path names a new FIFO.
constexpr int kLookAgainMs = 500;

} // namespace

int FifoWriterWatch::OpenAgain(const std::string& path) {
	const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	struct stat status;
	if (fd < 0 || (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode))) return fd;
	::close(fd);
	errno = ENOENT;
	return -1;
}

bool FifoWriterWatch::Replaced(const std::string& path, int fd) {
	struct stat named, open;
	return ::stat(path.c_str(), &named) == 0 && S_ISFIFO(named.st_mode) &&
	       (fd < 0 ||
	        (::fstat(fd, &open) == 0 && (named.st_dev != open.st_dev || named.st_ino != open.st_ino)));
}

FifoWriterWatch::FifoWriterWatch(std::string path, int watched)
    : path_(std::move(path)), watched_(watched), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      thread_([this](std::stop_token stop) { Watch(std::move(stop)); }) {}

FifoWriterWatch::~FifoWriterWatch() {
	thread_.request_stop();
	const uint64_t one = 1;
	[[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
	thread_.join();
	if (watched_ >= 0) ::close(watched_);
	if (wake_ >= 0) ::close(wake_);
}

ssize_t FifoWriterWatch::Read(int fd, void* into, size_t size, std::vector<uint64_t>& ends) {
	const std::lock_guard guard(lock_);
	const ssize_t count = ::read(fd, into, size);
	if (count > 0) read_ += static_cast<uint64_t>(count);
	// No writer, and nothing left of the last one's.
	if (count == 0) ends_.push_back(read_);
	for (; !ends_.empty() && ends_.front() <= read_; ends_.pop_front())
		ends.push_back(ends_.front());
	return count;
}

void FifoWriterWatch::Watch(std::stop_token stop) {
	while (!stop.stop_requested()) {
		// Only a hang-up is asked for: what comes in is the reading thread's.
		pollfd ready[2] = {{watched_, 0, 0}, {wake_, POLLIN, 0}}; // a negative descriptor is left out
		const int polled = ::poll(ready, 2, kLookAgainMs);
		if (polled < 0 && errno != EINTR) return;
		if (polled == 0 && Replaced(path_, watched_)) {
			if (watched_ >= 0) ::close(watched_);
			watched_ = OpenAgain(path_);
		}
		if (polled > 0 && (ready[0].revents & (POLLHUP | POLLERR))) WriterLeft();
	}
}

void FifoWriterWatch::WriterLeft() {
	// Counted first: the sooner, the less likely a writer that follows at once has written yet.
	{
		const std::lock_guard guard(lock_);
		int unread = 0;
		if (::ioctl(watched_, FIONREAD, &unread) != 0) unread = 0;
		ends_.push_back(read_ + static_cast<uint64_t>(unread));
	}
	// A descriptor opened now sees only the writers that come after it leave;
	// one that came before it is one the old descriptor still sees leave.
	// Without one, the old descriptor would report this hang-up for good.
	const int fresh = OpenAgain(path_);
	pollfd still{watched_, 0, 0};
	if (::poll(&still, 1, 0) == 1 && (still.revents & POLLHUP)) {
		::close(watched_);
		watched_ = fresh;
	} else if (fresh >= 0) {
		::close(fresh);
	}
}
