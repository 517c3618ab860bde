#include "audio/RawFifoSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// A quarter of a second of sound queued before a writer has to wait: more
// than a bursty writer sends at once, and little for a meter to lag by.
constexpr int kQueueDivisor = 4;
constexpr size_t kReadBytes = 1 << 16;
// How often an idle reader looks whether the path names a new FIFO.
constexpr int kLookAgainMs = 500;

int OpenForReading(const std::string& path) {
	return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

// The FIFO at `path` opened afresh; -1 with errno ENOENT when the path names none now.
int OpenFifoAgain(const std::string& path) {
	const int fd = OpenForReading(path);
	struct stat status;
	if (fd < 0 || (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode))) return fd;
	::close(fd);
	errno = ENOENT;
	return -1;
}

} // namespace

Expected<std::unique_ptr<RawFifoSource>> RawFifoSource::Open(const std::string& path, const RawPcm& format) {
	const int fifo = OpenForReading(path);
	if (fifo < 0) {
		return Failure{path + ": " + std::strerror(errno)};
	}
	const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	const int room = wake < 0 ? -1 : ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	if (room < 0) {
		const std::string why = path + ": " + std::strerror(errno);
		::close(fifo);
		if (wake >= 0) ::close(wake);
		return Failure{why};
	}
	return std::unique_ptr<RawFifoSource>(new RawFifoSource(path, fifo, wake, room, format));
}

RawFifoSource::RawFifoSource(std::string path, int fifo, int wake, int room, const RawPcm& format)
    : LiveSource(format.Rate(), WhenFull::Wait, format.Rate() / kQueueDivisor), path_(std::move(path)),
      name_(std::filesystem::path(path_).filename().string()), fifo_(fifo), wake_(wake), room_(room),
      format_(format) {}

void RawFifoSource::Begin() {
	reader_ = std::thread([this] { Receive(); });
}

RawFifoSource::~RawFifoSource() {
	Close();
	const uint64_t one = 1;
	[[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
	if (reader_.joinable()) reader_.join();
	if (fifo_ >= 0) ::close(fifo_);
	::close(wake_);
	::close(room_);
}

bool RawFifoSource::Replaced() const {
	struct stat named, open;
	return ::stat(path_.c_str(), &named) == 0 && S_ISFIFO(named.st_mode) &&
	       (fifo_ < 0 ||
	        (::fstat(fifo_, &open) == 0 && (named.st_dev != open.st_dev || named.st_ino != open.st_ino)));
}

bool RawFifoSource::Reopen() {
	// A fresh reader's poll() waits for the next writer, where the old one would
	// report the hang-up forever. It is opened before the old one is closed, so
	// that a writer never finds the FIFO without a reader.
	const int fifo = OpenFifoAgain(path_);
	if (fifo < 0 && errno != ENOENT) {
		Fail(path_ + ": cannot open again: " + std::strerror(errno));
		return false;
	}
	// Gone from its folder: looked for again until it is back.
	if (fifo_ >= 0) ::close(fifo_);
	fifo_ = fifo;
	return true;
}

void RawFifoSource::RoomMade() {
	const uint64_t one = 1;
	[[maybe_unused]] const ssize_t written = ::write(room_, &one, sizeof one);
}

size_t RawFifoSource::Convert(const unsigned char* bytes, size_t count) {
	const size_t frames = count / format_.FrameBytes();
	const size_t converted = converted_.size();
	converted_.resize(converted + 2 * frames);
	format_.ToStereo(bytes, frames, converted_.data() + converted);
	return frames * format_.FrameBytes();
}

bool RawFifoSource::TakeTheLeaversBytes() {
	// What the pipe holds now is all the writers' that have gone: the next
	// writer's bytes come after it, and start on a whole frame.
	int left = 0;
	if (::ioctl(fifo_, FIONREAD, &left) != 0) left = 0;
	held_.resize(heldCount_ + static_cast<size_t>(left));
	for (size_t got = 0; got < static_cast<size_t>(left);) {
		const ssize_t count = ::read(fifo_, held_.data() + heldCount_ + got, static_cast<size_t>(left) - got);
		if (count <= 0) {
			if (count < 0 && errno == EINTR) continue;
			left = static_cast<int>(got);
			break;
		}
		got += static_cast<size_t>(count);
	}
	Convert(held_.data(), heldCount_ + static_cast<size_t>(left));
	heldCount_ = 0; // the part of a frame it left is dropped
	return Reopen();
}

void RawFifoSource::Receive() {
	const size_t frameBytes = format_.FrameBytes();
	size_t offered = 0; // frames of converted_ already queued
	for (;;) {
		offered += Offer(converted_.data() + 2 * offered, converted_.size() / 2 - offered);
		if (offered == converted_.size() / 2) {
			converted_.clear();
			offered = 0;
		}
		// While the queue is full the FIFO is not read, which makes its writer
		// wait; it is still watched, so that a writer that leaves is seen at
		// once and its bytes are kept apart from the next one's. Past a read
		// and a queue's worth waiting, it is left alone, so that writers that
		// come and go cannot pile up more.
		const bool waiting = !converted_.empty();
		const bool watched = converted_.size() / 2 - offered <=
		                     kReadBytes / frameBytes + static_cast<size_t>(format_.Rate() / kQueueDivisor);
		pollfd ready[3] = {{watched ? fifo_ : -1, static_cast<short>(waiting ? 0 : POLLIN), 0},
		                   {wake_, POLLIN, 0},
		                   {waiting ? room_ : -1, POLLIN, 0}}; // a negative descriptor is left out
		const int polled = ::poll(ready, 3, kLookAgainMs);
		if (polled < 0) {
			if (errno == EINTR) continue;
			Fail(path_ + ": " + std::strerror(errno));
			return;
		}
		if (ready[1].revents) return;
		if (ready[2].revents) {
			uint64_t count;
			[[maybe_unused]] const ssize_t got = ::read(room_, &count, sizeof count);
		}
		if (polled == 0) {
			if (!Replaced()) continue;
			heldCount_ = 0;
			if (!Reopen()) return;
			continue;
		}
		if (ready[0].revents & (POLLHUP | POLLERR)) {
			if (!TakeTheLeaversBytes()) return;
			continue;
		}
		if (!(ready[0].revents & POLLIN)) continue;
		held_.resize(heldCount_ + kReadBytes);
		const ssize_t count = ::read(fifo_, held_.data() + heldCount_, kReadBytes);
		if (count < 0) {
			if (errno == EAGAIN || errno == EINTR) continue;
			Fail(path_ + ": cannot read: " + std::strerror(errno));
			return;
		}
		if (count == 0) {
			if (!TakeTheLeaversBytes()) return;
			continue;
		}
		heldCount_ += static_cast<size_t>(count);
		const size_t used = Convert(held_.data(), heldCount_);
		heldCount_ -= used;
		std::memmove(held_.data(), held_.data() + used, heldCount_);
	}
}
