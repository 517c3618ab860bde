#include "audio/RawFifoSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
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
	if (wake < 0) {
		const std::string why = path + ": " + std::strerror(errno);
		::close(fifo);
		return Failure{why};
	}
	return std::unique_ptr<RawFifoSource>(new RawFifoSource(path, fifo, wake, format));
}

RawFifoSource::RawFifoSource(std::string path, int fifo, int wake, const RawPcm& format)
    : LiveSource(format.Rate(), WhenFull::Wait, format.Rate() / kQueueDivisor), path_(std::move(path)),
      name_(std::filesystem::path(path_).filename().string()), fifo_(fifo), wake_(wake), format_(format) {}

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

void RawFifoSource::Receive() {
	const size_t frameBytes = format_.FrameBytes();
	std::vector<unsigned char> bytes(kReadBytes + frameBytes);
	std::vector<int16_t> stereo;
	size_t held = 0; // bytes of a frame cut in two by a read, kept at the front
	for (;;) {
		pollfd ready[2] = {{fifo_, POLLIN, 0}, {wake_, POLLIN, 0}}; // a negative descriptor is left out
		const int polled = ::poll(ready, 2, kLookAgainMs);
		if (polled < 0) {
			if (errno == EINTR) continue;
			Fail(path_ + ": " + std::strerror(errno));
			return;
		}
		if (ready[1].revents) return;
		if (polled == 0) {
			if (!Replaced()) continue;
			held = 0;
			if (!Reopen()) return;
			continue;
		}
		const ssize_t count = ::read(fifo_, bytes.data() + held, kReadBytes);
		if (count < 0) {
			if (errno == EAGAIN || errno == EINTR) continue;
			Fail(path_ + ": cannot read: " + std::strerror(errno));
			return;
		}
		if (count == 0) {
			held = 0; // the next writer starts on a whole frame
			if (!Reopen()) return;
			continue;
		}
		held += static_cast<size_t>(count);
		const size_t frames = held / frameBytes;
		stereo.resize(2 * frames);
		format_.ToStereo(bytes.data(), frames, stereo.data());
		held -= frames * frameBytes;
		std::memmove(bytes.data(), bytes.data() + frames * frameBytes, held);
		if (!Deliver(stereo.data(), frames)) return;
	}
}
