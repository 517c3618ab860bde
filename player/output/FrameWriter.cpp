#include "output/FrameWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "QuitSignals.h"

namespace {

constexpr int kSliceMs = 100;
constexpr size_t kPage = 4096;

bool IsPipe(int fd) {
	struct stat status;
	return ::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
}

} // namespace

FrameWriter::FrameWriter(int fd, size_t frameBytes, std::string header)
    : fd_(fd), frameBytes_(frameBytes), pipe_(IsPipe(fd)), header_(std::move(header)) {
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
	iovec header{const_cast<char*>(header_.data()), header_.size()};
	bool written = WriteAll(&header, 1);
	int error = errno;
	std::unique_lock lock(mutex_);
	while (written) {
		work_.wait(lock, [this] { return stopping_ || count_ >= kBatch || (hurry_ && count_ > 0); });
		if (stopping_) return;
		// The frames stay queued while they are written, so the maker leaves their buffers alone.
		const int taken = count_;
		std::array<iovec, kQueueSize> parts;
		for (int i = 0; i < taken; i++)
			parts[i] = {buffers_[queue_[(head_ + i) % kQueueSize]].data(), frameBytes_};
		lock.unlock();
		written = WriteAll(parts.data(), static_cast<size_t>(taken));
		error = errno;
		lock.lock();
		if (!written) break;
		for (int i = 0; i < taken; i++)
			queuedTimes_[queue_[(head_ + i) % kQueueSize]]--;
		head_ = (head_ + taken) % kQueueSize;
		count_ -= taken;
		if (count_ == 0) hurry_ = false;
		room_.notify_one();
	}
	error_ = error != 0 ? error : EIO;
	room_.notify_one();
}

bool FrameWriter::WriteAll(iovec* parts, size_t count) {
	while (count > 0) {
		const size_t room = pipe_ ? Room() : SIZE_MAX;
		if (room == 0) return false;
		// As many parts as there is room for, the last one perhaps in part.
		std::array<iovec, kQueueSize> chunk;
		size_t taken = 0, bytes = 0;
		for (; taken < count && taken < chunk.size() && bytes < room; taken++) {
			chunk[taken] = {parts[taken].iov_base, std::min(parts[taken].iov_len, room - bytes)};
			bytes += chunk[taken].iov_len;
		}
		ssize_t written = ::writev(fd_, chunk.data(), static_cast<int>(std::min<size_t>(taken, IOV_MAX)));
		if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
		if (written <= 0) return false;
		while (written > 0) {
			const size_t used = std::min(static_cast<size_t>(written), parts->iov_len);
			parts->iov_base = static_cast<char*>(parts->iov_base) + used;
			parts->iov_len -= used;
			written -= static_cast<ssize_t>(used);
			if (parts->iov_len == 0) {
				parts++;
				count--;
			}
		}
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
		if (QuitSignals::Received()) {
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
