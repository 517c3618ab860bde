#include "audio/sources/RawFifoSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
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

} // namespace

Expected<std::unique_ptr<RawFifoSource>> RawFifoSource::Open(const std::string& path, const RawPcm& format) {
	// The watch's descriptor first: the first reader lets the writers in.
	const int watched = OpenForReading(path);
	const int fifo = watched < 0 ? -1 : OpenForReading(path);
	const int wake = fifo < 0 ? -1 : ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	const int room = wake < 0 ? -1 : ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	if (room < 0) {
		const std::string why = path + ": " + std::strerror(errno);
		for (const int fd : {watched, fifo, wake})
			if (fd >= 0) ::close(fd);
		return Failure{why};
	}
	return std::unique_ptr<RawFifoSource>(new RawFifoSource(path, watched, fifo, wake, room, format));
}

RawFifoSource::RawFifoSource(std::string path, int watched, int fifo, int wake, int room,
                             const RawPcm& format)
    : LiveSource(format.Rate(), WhenFull::Wait, format.Rate() / kQueueDivisor), path_(std::move(path)),
      name_(std::filesystem::path(path_).filename().string()), fifo_(fifo), wake_(wake), room_(room),
      format_(format), writers_(path_, watched) {}

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

bool RawFifoSource::Reopen() {
	// A fresh descriptor's poll() waits for the next writer, where the old one
	// would report the hang-up forever. It is opened before the old one is
	// closed, so that a writer never finds the FIFO without a reader.
	const int fifo = FifoWriterWatch::OpenAgain(path_);
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

void RawFifoSource::Receive() {
	size_t offered = 0; // frames of converted_ already queued
	std::vector<uint64_t> ends;
	for (;;) {
		offered += Offer(converted_.data() + 2 * offered, converted_.size() / 2 - offered);
		if (offered == converted_.size() / 2) {
			converted_.clear();
			offered = 0;
		}
		// While the queue is full the FIFO is not read, which makes its writer wait.
		const bool waiting = !converted_.empty();
		pollfd ready[3] = {{waiting ? -1 : fifo_, POLLIN, 0},
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
		if (polled == 0 && !waiting && FifoWriterWatch::Replaced(path_, fifo_)) {
			heldAt_ += heldCount_; // the part of a frame the old one's last writer left
			heldCount_ = 0;
			if (!Reopen()) return;
			continue;
		}
		if (!ready[0].revents) continue;
		held_.resize(heldCount_ + kReadBytes);
		const ssize_t count = writers_.Read(fifo_, held_.data() + heldCount_, kReadBytes, ends);
		if (count < 0) {
			if (errno == EAGAIN || errno == EINTR) continue;
			Fail(path_ + ": cannot read: " + std::strerror(errno));
			return;
		}
		heldCount_ += static_cast<size_t>(count);
		TakeHeld(ends);
		ends.clear();
		// No writer left: the old descriptor would report it for good.
		if (count == 0 && !Reopen()) return;
	}
}

void RawFifoSource::TakeHeld(const std::vector<uint64_t>& ends) {
	size_t done = 0; // bytes of held_ converted or dropped
	for (const uint64_t end : ends) {
		if (end < heldAt_ + done) continue;
		// A writer's last frames; the part of one it left is dropped.
		const auto upTo = static_cast<size_t>(end - heldAt_);
		Convert(held_.data() + done, upTo - done);
		done = upTo;
	}
	done += Convert(held_.data() + done, heldCount_ - done);
	heldCount_ -= done;
	std::memmove(held_.data(), held_.data() + done, heldCount_);
	heldAt_ += done;
}
