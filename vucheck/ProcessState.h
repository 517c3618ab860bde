// What the check process holds right now, read from /proc/self.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// [any thread] Each call reads /proc afresh.
struct ProcessState {
	int threads = 0;
	int openFiles = 0;
	int64_t residentBytes = 0;

	static ProcessState Now();
	// The names (comm) of the process's threads, one per thread.
	static std::vector<std::string> ThreadNames();
	// Polls until at most `threads` threads are left (threads that were asked
	// to end may still be unwinding); returns the last count seen.
	static int WaitForThreads(int threads, int64_t timeoutMicroseconds = 2000000);
};
