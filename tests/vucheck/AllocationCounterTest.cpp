#include <cstdlib>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "support/Watchdog.h"

namespace {

// Keeps the compiler from leaving out an allocation whose result is unused.
void* volatile gSink;

class AllocationCounterTest : public ::testing::Test {
protected:
	void SetUp() override {
		if (!AllocationCounter::Available()) GTEST_SKIP() << "no allocation count under a sanitizer";
	}
};

} // namespace

TEST_F(AllocationCounterTest, CountsEveryKindOfAllocationWhileCounting) {
	AllocationCounter::Start();
	int* number = new int(1);
	gSink = number;
	void* block = std::malloc(16);
	gSink = block;
	void* zeroed = std::calloc(4, 4);
	gSink = zeroed;
	void* grown = std::realloc(nullptr, 32);
	gSink = grown;
	void* aligned = nullptr;
	EXPECT_EQ(posix_memalign(&aligned, 64, 64), 0);
	gSink = aligned;
	const long counted = AllocationCounter::Stop();
	delete number;
	std::free(block);
	std::free(zeroed);
	std::free(grown);
	std::free(aligned);
	EXPECT_EQ(counted, 5);
}

TEST_F(AllocationCounterTest, IgnoresOtherThreadsAndTimeOutsideCounting) {
	Watchdog watchdog;
	std::latch go(1);
	std::latch done(1);
	// Started before counting: making a thread allocates on the caller's side.
	std::thread other([&] {
		go.wait();
		void* elsewhere = std::malloc(8);
		gSink = elsewhere;
		std::free(elsewhere);
		done.count_down();
	});
	void* before = std::malloc(8);
	gSink = before;
	AllocationCounter::Start();
	go.count_down();
	done.wait();
	const long counted = AllocationCounter::Stop();
	void* after = std::malloc(8);
	gSink = after;
	other.join();
	std::free(before);
	std::free(after);
	EXPECT_EQ(counted, 0);
	AllocationCounter::Start();
	EXPECT_EQ(AllocationCounter::Stop(), 0);
}
