// Gives up a call into add-on code that does not return within its time: an
// observer of the AddonWatch with a thread of its own that looks at the call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "host/AddonCallObserver.h"

// Follows the outermost gated calls of the thread that made it. Once one has
// gone on for `patience`, `giveUp` runs with the call's name, once, on the
// watch's own thread, which looks every `every`; a host ends the process
// there, as the add-on holds its thread. Adds itself to the watch for as
// long as it lives.
class HangWatch final : public AddonCallObserver {
public:
	using GiveUp = std::function<void(const char* call)>;

	// [the thread to watch]
	HangWatch(std::chrono::milliseconds patience, std::chrono::milliseconds every, GiveUp giveUp);
	// Stops the watch's thread. [any thread but the watch's]
	~HangWatch() override;

	HangWatch(const HangWatch&) = delete;
	HangWatch& operator=(const HangWatch&) = delete;

	void Began(const AddonCall& call) override;
	void Ended(const AddonCall& call) override;

private:
	using Clock = std::chrono::steady_clock;

	void Watch(std::stop_token stop);

	const std::thread::id watched_ = std::this_thread::get_id();
	const std::chrono::milliseconds patience_;
	const std::chrono::milliseconds every_;
	const GiveUp giveUp_;
	// The call under way and since when; the time is stored first, so that
	// a name read never goes with an earlier call's time.
	std::atomic<const char*> call_{nullptr};
	std::atomic<Clock::rep> since_{0};
	std::mutex lock_; // for the wait between looks
	std::condition_variable_any wake_;
	std::jthread thread_; // last: started once the rest is made
};
