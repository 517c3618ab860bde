#include "output/FrameWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

constexpr int kSliceMs = 100;
constexpr size_t kPage = 4096;

bool IsPipe(int fd) {
	struct stat status;
	return ::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
}

} // namespace

FrameWriter::FrameWriter(int fd, size_t frameBytes, std::string header, std::stop_token stop)
    : fd_(fd), frameBytes_(frameBytes), pipe_(IsPipe(fd)), header_(std::move(header)),
      stop_(std::move(stop)) {
	for (auto& buffer : buffers_)
		buffer.resize(frameBytes);
	thread_ = std::thread([this] { WriteQueued(); });
}

FrameWriter::~FrameWriter() {
	{
		std::lock_guard lock(mutex_);
		stopping_ = true;
	}
	work_.notify_one();
	thread_.join();
}

int FrameWriter::FreeSlot() const {
	for (int slot = 0; slot < kSlots; slot++)
		if (queuedTimes_[slot] == 0 && slot != last_) return slot;
	return -1;
}

void FrameWriter::Hurry(std::unique_lock<std::mutex>& lock) {
	if (!hurry_) {
		hurry_ = true;
		work_.notify_one();
	}
	room_.wait(lock);
}

uint8_t* FrameWriter::Slot() {
	std::unique_lock lock(mutex_);
	while (error_ == 0 && FreeSlot() < 0)
		Hurry(lock);
	if (error_ != 0) return nullptr;
	filling_ = FreeSlot();
	return buffers_[filling_].data();
}

bool FrameWriter::Queue() { return Push(std::exchange(filling_, -1)); }

bool FrameWriter::QueueRepeat() { return Push(last_); }

bool FrameWriter::Push(int slot) {
	std::unique_lock lock(mutex_);
	while (error_ == 0 && count_ == kQueueSize)
		Hurry(lock);
	if (error_ != 0 || slot < 0) return false;
	queue_[(head_ + count_) % kQueueSize] = slot;
	count_++;
	queuedTimes_[slot]++;
	last_ = slot;
	if (count_ == kBatch) work_.notify_one();
	return true;
}

bool FrameWriter::Drain() {
	std::unique_lock lock(mutex_);
	while (error_ == 0 && count_ > 0)
		Hurry(lock);
	return error_ == 0;
}

int FrameWriter::Error() {
	std::lock_guard lock(mutex_);
	return error_;
}

void FrameWriter::WriteQueued() {
	bool written = WriteAll(reinterpret_cast<const uint8_t*>(header_.data()), header_.size());
	int error = errno;
	std::unique_lock lock(mutex_);
	while (written) {
		work_.wait(lock, [this] { return stopping_ || count_ >= kBatch || (hurry_ && count_ > 0); });
		// Then every frame queued, one at a time, each buffer free again as
		// soon as it is written; queued until then, so that the maker leaves
		// it alone.
		while (written && count_ > 0 && !stopping_) {
			const uint8_t* frame = buffers_[queue_[head_]].data();
			lock.unlock();
			written = WriteAll(frame, frameBytes_);
			error = errno;
			lock.lock();
			if (!written) break;
			queuedTimes_[queue_[head_]]--;
			head_ = (head_ + 1) % kQueueSize;
			count_--;
			if (hurry_) room_.notify_one();
		}
		if (stopping_) return;
		if (count_ == 0) hurry_ = false;
	}
	error_ = error != 0 ? error : EIO;
	room_.notify_one();
}

bool FrameWriter::WriteAll(const uint8_t* data, size_t size) {
	while (size > 0) {
		const size_t room = pipe_ ? Room() : size;
		if (room == 0) return false;
		const ssize_t written = ::write(fd_, data, std::min(size, room));
		if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
		if (written <= 0) return false;
		data += written;
		size -= static_cast<size_t>(written);
	}
	return true;
}

bool FrameWriter::WaitForRoom() {
	for (;;) {
		if (stopping_) {
			errno = EINTR;
			return false;
		}
		pollfd ready{fd_, POLLOUT, 0};
		const int polled = ::poll(&ready, 1, kSliceMs);
		if (polled > 0) return true;
		if (polled < 0 && errno != EINTR) return false;
		if (stop_.stop_requested()) {
			errno = EINTR;
			return false;
		}
	}
}

size_t FrameWriter::Room() {
	if (!WaitForRoom()) return 0;
	// A page is certain once poll() says the pipe takes more; beyond that, as
	// much as the reader has left free, less the two pages a partly read and
	// a partly written buffer may waste.
	const int capacity = ::fcntl(fd_, F_GETPIPE_SZ);
	int unread = 0;
	if (capacity > 0 && ::ioctl(fd_, FIONREAD, &unread) == 0 &&
	    static_cast<size_t>(capacity) > static_cast<size_t>(unread) + 3 * kPage)
		return static_cast<size_t>(capacity) - static_cast<size_t>(unread) - 2 * kPage;
	return kPage;
}
