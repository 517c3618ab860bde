#include "output/FrameWriter.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

#include "support/Watchdog.h"

namespace {

constexpr size_t kFrameBytes = 10000;

// A frame that tells which it is in every byte.
void Fill(uint8_t* frame, int number) {
	for (size_t i = 0; i < kFrameBytes; i++)
		frame[i] = static_cast<uint8_t>(number * 7 + i % 251);
}

std::string Frame(int number) {
	std::string frame(kFrameBytes, '\0');
	Fill(reinterpret_cast<uint8_t*>(frame.data()), number);
	return frame;
}

struct Pipe {
	Pipe() { EXPECT_EQ(::pipe(ends), 0); }
	~Pipe() {
		for (int end : ends)
			if (end >= 0) ::close(end);
	}
	void Close(int which) {
		::close(ends[which]);
		ends[which] = -1;
	}
	int ends[2] = {-1, -1};
};

} // namespace

// A reader slower than the maker holds it back, many frames over the pipe's
// size, and still gets the header and then every frame and repeat, whole and
// in order: no buffer is refilled while it waits to be written.
TEST(FrameWriter, ASlowReaderGetsEveryFrameWholeAndInOrder) {
	Watchdog watchdog;
	Pipe pipe;
	std::string received;
	std::thread reader([&] {
		char chunk[3000];
		for (ssize_t count; (count = ::read(pipe.ends[0], chunk, sizeof chunk)) > 0;) {
			received.append(chunk, static_cast<size_t>(count));
			std::this_thread::sleep_for(std::chrono::microseconds(20));
		}
	});
	std::string expected = "HEADER\n";
	{
		FrameWriter writer(pipe.ends[1], kFrameBytes, "HEADER\n", {});
		int number = 0;
		for (int i = 0; i < 300; i++) {
			if (i % 3 == 2) {
				ASSERT_TRUE(writer.QueueRepeat());
			} else {
				uint8_t* frame = writer.Slot();
				ASSERT_NE(frame, nullptr);
				Fill(frame, ++number);
				ASSERT_TRUE(writer.Queue());
			}
			expected += Frame(number);
		}
		ASSERT_TRUE(writer.Drain());
		EXPECT_EQ(writer.Error(), 0);
	}
	pipe.Close(1);
	reader.join();
	ASSERT_EQ(received.size(), expected.size());
	EXPECT_TRUE(received == expected);
}

// A reader that goes away fails the calls that follow with EPIPE rather than
// ending the process; one that takes nothing does not keep the writer from
// being destroyed.
TEST(FrameWriter, AReaderThatLeavesOrStallsNeitherKillsNorHoldsIt) {
	Watchdog watchdog;
	std::signal(SIGPIPE, SIG_IGN);
	{
		Pipe pipe;
		pipe.Close(0);
		FrameWriter writer(pipe.ends[1], kFrameBytes, "HEADER\n", {});
		bool failed = false;
		for (int i = 0; i < 100 && !failed; i++) {
			uint8_t* frame = writer.Slot();
			failed = !frame || !writer.Queue() || !writer.Drain();
		}
		EXPECT_TRUE(failed);
		EXPECT_EQ(writer.Error(), EPIPE);
	}
	Pipe stalled;
	FrameWriter writer(stalled.ends[1], 100000, "HEADER\n", {});
	for (int i = 0; i < 8; i++) { // a batch: the writer starts
		uint8_t* frame = writer.Slot();
		ASSERT_NE(frame, nullptr);
		std::memset(frame, i, 100000);
		ASSERT_TRUE(writer.Queue());
	}
	// Until the pipe is full and the writer waits for room; then the
	// destructor has to stop it there.
	for (int unread = 0; unread < 60000;) {
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
		ASSERT_EQ(::ioctl(stalled.ends[0], FIONREAD, &unread), 0);
	}
}
