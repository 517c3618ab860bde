#include "host/SignalFlag.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <future>
#include <stop_token>

namespace {

// In a child of its own, as the handlers stay for the rest of the process.
// The exit status says what went wrong: 2 no stop within the watchdog, 3 the
// wrong signal kept.
[[noreturn]] void RaiseTwiceAndWaitForTheStop() {
	SignalFlag::CatchEnding(SignalFlag::Restart::No);
	std::stop_token token = SignalFlag::StopToken();
	std::promise<void> stopped;
	std::stop_callback onStop(token, [&stopped] { stopped.set_value(); });
	std::raise(SIGUSR2);
	std::raise(SIGTERM);
	if (stopped.get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready) _exit(2);
	_exit(SignalFlag::Signal() == SIGUSR2 && SignalFlag::Name() == "SIGUSR2" ? 0 : 3);
}

} // namespace

// The handler may only write a byte; the stop the waits look at is requested
// by another thread, and the first signal is the one kept.
TEST(SignalFlag, AnEndingSignalRequestsTheStopFromTheFlagsOwnThreadAndKeepsTheFirst) {
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(RaiseTwiceAndWaitForTheStop(), testing::ExitedWithCode(0), "");
}
