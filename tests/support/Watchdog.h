// Fails the running test and ends the process when a threaded test hangs,
// instead of letting ctest wait for its own timeout.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class Watchdog {
public:
	explicit Watchdog(std::chrono::seconds limit = std::chrono::seconds(60))
	    : fThread([this, limit] {
		      std::unique_lock guard(fLock);
		      if (!fDone.wait_for(guard, limit, [this] { return fFinished; })) {
			      std::fprintf(stderr, "watchdog: test still running after %lld s, giving up\n",
			                   static_cast<long long>(limit.count()));
			      std::fflush(stderr);
			      std::_Exit(3);
		      }
	      }) {}

	~Watchdog() {
		{
			std::lock_guard guard(fLock);
			fFinished = true;
		}
		fDone.notify_all();
		fThread.join();
	}

private:
	std::mutex fLock;
	std::condition_variable fDone;
	bool fFinished = false;
	std::thread fThread;
};
