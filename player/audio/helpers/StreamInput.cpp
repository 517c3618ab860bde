#include "audio/helpers/StreamInput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audio/helpers/InterruptibleIo.h"

namespace {

// Far more than any decoder looks back at; kept for the stream's life.
constexpr sf_count_t kHeadBytes = 1 << 20;

StreamInput& Of(void* user) { return *static_cast<StreamInput*>(user); }

} // namespace

StreamInput::StreamInput(int fd, std::stop_token stop) : fd_(fd), forward_(stop, Forward{&cancel_}) {}

StreamInput::~StreamInput() { ::close(fd_); }

SF_VIRTUAL_IO* StreamInput::Callbacks() {
	static SF_VIRTUAL_IO callbacks = {
	    .get_filelen = [](void*) -> sf_count_t { return SF_COUNT_MAX; },
	    .seek = [](sf_count_t offset, int whence, void* user) { return Of(user).Seek(offset, whence); },
	    .read = [](void* into, sf_count_t size, void* user) { return Of(user).Read(into, size); },
	    .write = [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
	    .tell = [](void* user) { return Of(user).position_; },
	};
	return &callbacks;
}

sf_count_t StreamInput::Seek(sf_count_t offset, int whence) {
	const sf_count_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? position_ + offset : -1;
	// Back only while every byte read so far is kept; forward never.
	if (target == position_ || (target >= 0 && target < received_ && received_ <= kHeadBytes)) {
		position_ = target;
		return position_;
	}
	return -1;
}

sf_count_t StreamInput::Read(void* into, sf_count_t size) {
	char* out = static_cast<char*>(into);
	sf_count_t done = 0;
	if (position_ < received_) {
		done = std::min(size, received_ - position_);
		std::memcpy(out, head_.data() + position_, static_cast<size_t>(done));
		position_ += done;
	}
	// A pipe hands over what it has; the decoder expects all it asked for unless the stream ended.
	while (done < size && !interrupted_ && error_.empty()) {
		const ssize_t count =
		    InterruptibleIo::Read(fd_, out + done, static_cast<size_t>(size - done), cancel_.get_token());
		if (count == 0) break;
		if (count < 0) {
			if (errno == EINTR)
				interrupted_ = true;
			else
				error_ = std::strerror(errno);
			break;
		}
		const sf_count_t kept = std::clamp<sf_count_t>(kHeadBytes - received_, 0, count);
		head_.insert(head_.end(), out + done, out + done + kept);
		received_ += count;
		position_ += count;
		done += count;
	}
	return done;
}
