// One end of the socket between a player plug-in and its meter process:
// sequenced packets, so that each message arrives whole or not at all, and
// a peer that ends, however it ends, is seen as the end of the stream.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "host/Expected.h"

// Sending never raises SIGPIPE: a peer that is gone is a result. A packet
// is one type byte and its payload (MeterProtocol.h).
//
// [any thread] Send and Receive may run on two threads at once; two
// senders each send whole packets.
class MeterChannel {
public:
	// Takes `fd`, a connected socket of sequenced packets; -1 for none.
	explicit MeterChannel(int fd = -1) : fd_(fd) {}
	~MeterChannel();

	MeterChannel(MeterChannel&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
	MeterChannel& operator=(MeterChannel&& other) noexcept;
	MeterChannel(const MeterChannel&) = delete;
	MeterChannel& operator=(const MeterChannel&) = delete;

	// Both ends of a new channel, closed on exec.
	static Expected<std::pair<MeterChannel, MeterChannel>> Pair();

	int Fd() const { return fd_; }
	// Gives the descriptor up to the caller.
	int Release();

	enum class Sent { Done, Full, Gone };
	// Never waits: Full when the peer has not read what is queued.
	Sent Send(uint8_t type, const void* payload = nullptr, size_t size = 0);
	// Waits for room until `deadline`: Full when there was none by then.
	Sent SendBy(std::chrono::steady_clock::time_point deadline, uint8_t type, const void* payload = nullptr,
	            size_t size = 0);

	struct Message {
		uint8_t type = 0;
		std::string payload;
	};
	enum class Received { Message, Nothing, Gone };
	// Never waits.
	Received Receive(Message& message);
	// Waits for a message until `deadline`; Nothing when none came.
	Received ReceiveBy(std::chrono::steady_clock::time_point deadline, Message& message);

	// The peer reads the end of the stream; this end can still receive.
	void EndSending();

private:
	int fd_;
};
