#include "MeterChannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "MeterProtocol.h"

namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
	const auto left =
	    std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
	return static_cast<int>(std::clamp<long long>(left.count(), 0, 60 * 1000));
}

// Waits until `fd` is ready for `events` or `deadline` passes.
void WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
	pollfd entry{fd, events, 0};
	while (::poll(&entry, 1, MillisecondsUntil(deadline)) < 0 && errno == EINTR) {
	}
}

} // namespace

MeterChannel::~MeterChannel() {
	if (fd_ >= 0) ::close(fd_);
}

MeterChannel& MeterChannel::operator=(MeterChannel&& other) noexcept {
	if (this != &other) {
		if (fd_ >= 0) ::close(fd_);
		fd_ = other.fd_;
		other.fd_ = -1;
	}
	return *this;
}

Expected<std::pair<MeterChannel, MeterChannel>> MeterChannel::Pair() {
	int fds[2];
	if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
		return Failure{std::string("cannot make a socket: ") + std::strerror(errno)};
	return std::pair<MeterChannel, MeterChannel>(MeterChannel(fds[0]), MeterChannel(fds[1]));
}

int MeterChannel::Release() {
	const int fd = fd_;
	fd_ = -1;
	return fd;
}

MeterChannel::Sent MeterChannel::Send(uint8_t type, const void* payload, size_t size) {
	iovec parts[2] = {{&type, 1}, {const_cast<void*>(payload), size}};
	msghdr header{};
	header.msg_iov = parts;
	header.msg_iovlen = size ? 2 : 1;
	ssize_t sent;
	do
		sent = ::sendmsg(fd_, &header, MSG_DONTWAIT | MSG_NOSIGNAL);
	while (sent < 0 && errno == EINTR);
	if (sent >= 0) return Sent::Done;
	return errno == EAGAIN || errno == ENOBUFS ? Sent::Full : Sent::Gone;
}

MeterChannel::Sent MeterChannel::SendBy(std::chrono::steady_clock::time_point deadline, uint8_t type,
                                        const void* payload, size_t size) {
	for (;;) {
		const Sent sent = Send(type, payload, size);
		if (sent != Sent::Full || std::chrono::steady_clock::now() >= deadline) return sent;
		WaitFor(fd_, POLLOUT, deadline);
	}
}

MeterChannel::Received MeterChannel::Receive(Message& message) {
	char buffer[meter_protocol::kMostBytes + 1];
	ssize_t got;
	// A peer that ends with messages of ours unread resets the connection:
	// that is said once, before the messages it sent, which still come.
	do
		got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
	while (got < 0 && (errno == EINTR || errno == ECONNRESET));
	if (got < 0) return errno == EAGAIN ? Received::Nothing : Received::Gone;
	if (got == 0) return Received::Gone;
	message.type = static_cast<uint8_t>(buffer[0]);
	message.payload.assign(buffer + 1, static_cast<size_t>(got - 1));
	return Received::Message;
}

MeterChannel::Received MeterChannel::ReceiveBy(std::chrono::steady_clock::time_point deadline,
                                               Message& message) {
	for (;;) {
		const Received received = Receive(message);
		if (received != Received::Nothing || std::chrono::steady_clock::now() >= deadline) return received;
		WaitFor(fd_, POLLIN, deadline);
	}
}

void MeterChannel::EndSending() { ::shutdown(fd_, SHUT_WR); }
