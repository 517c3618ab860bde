#include "audio/RawFifoSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// A second of sound queued before a writer has to wait.
constexpr int64_t kQueueSeconds = 1;
constexpr size_t kReadBytes = 1 << 16;

} // namespace

std::unique_ptr<RawFifoSource> RawFifoSource::Open(const std::string& path, const RawPcm& format,
                                                   std::string& error) {
	int fifo = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
	// A FIFO that others own may be readable only; it is opened again whenever its writer goes away.
	if (fifo < 0 && errno == EACCES) fifo = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if (fifo < 0) {
		error = path + ": " + std::strerror(errno);
		return nullptr;
	}
	const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	if (wake < 0) {
		error = path + ": " + std::strerror(errno);
		::close(fifo);
		return nullptr;
	}
	return std::unique_ptr<RawFifoSource>(new RawFifoSource(path, fifo, wake, format));
}

RawFifoSource::RawFifoSource(std::string path, int fifo, int wake, const RawPcm& format)
    : LiveSource(format.Rate(), WhenFull::Wait, kQueueSeconds * format.Rate()), path_(std::move(path)),
      name_(std::filesystem::path(path_).filename().string()), fifo_(fifo), wake_(wake), format_(format),
      reader_([this] { Receive(); }) {}

RawFifoSource::~RawFifoSource() {
	Close();
	const uint64_t one = 1;
	[[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
	reader_.join();
	::close(fifo_);
	::close(wake_);
}

bool RawFifoSource::Reopen() {
	// A fresh reader's poll() waits for the next writer, where the old one would report the hang-up forever.
	const int fifo = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if (fifo < 0) {
		Fail(path_ + ": cannot open again: " + std::strerror(errno));
		return false;
	}
	::close(fifo_);
	fifo_ = fifo;
	return true;
}

void RawFifoSource::Receive() {
	const size_t frameBytes = format_.FrameBytes();
	std::vector<unsigned char> bytes(kReadBytes + frameBytes);
	std::vector<int16_t> stereo;
	size_t held = 0; // bytes of a frame cut in two by a read, kept at the front
	for (;;) {
		pollfd ready[2] = {{fifo_, POLLIN, 0}, {wake_, POLLIN, 0}};
		if (::poll(ready, 2, -1) < 0) {
			if (errno == EINTR) continue;
			Fail(path_ + ": " + std::strerror(errno));
			return;
		}
		if (ready[1].revents) return;
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
