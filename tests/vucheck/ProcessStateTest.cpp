#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <latch>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "ProcessState.h"
#include "support/Watchdog.h"

TEST(ProcessStateTest, ThreadsCountAThreadUntilItHasEnded) {
	Watchdog watchdog;
	const int before = ProcessState::Now().threads;
	std::latch release(1);
	std::thread waiting([&] { release.wait(); });
	EXPECT_EQ(ProcessState::Now().threads, before + 1);
	EXPECT_EQ(ProcessState::ThreadNames().size(), size_t(before + 1));
	release.count_down();
	waiting.join();
	EXPECT_EQ(ProcessState::WaitForThreads(before), before);
}

TEST(ProcessStateTest, WaitForThreadsGivesUpWithTheCountItSaw) {
	Watchdog watchdog;
	const int before = ProcessState::Now().threads;
	std::latch release(1);
	std::thread waiting([&] { release.wait(); });
	EXPECT_EQ(ProcessState::WaitForThreads(before, 20000), before + 1);
	release.count_down();
	waiting.join();
}

TEST(ProcessStateTest, OpenFilesCountADescriptorUntilItIsClosed) {
	const int before = ProcessState::Now().openFiles;
	const int fd = open("/dev/null", O_RDONLY);
	ASSERT_GE(fd, 0);
	EXPECT_EQ(ProcessState::Now().openFiles, before + 1);
	close(fd);
	EXPECT_EQ(ProcessState::Now().openFiles, before);
}

TEST(ProcessStateTest, ResidentSizeGrowsWithMemoryInUse) {
	constexpr size_t kSize = 16 << 20;
	const int64_t before = ProcessState::Now().residentBytes;
	auto memory = std::make_unique<char[]>(kSize);
	std::memset(memory.get(), 1, kSize);
	EXPECT_GE(ProcessState::Now().residentBytes - before, int64_t(kSize / 2));
	EXPECT_EQ(memory[kSize - 1], 1);
}
