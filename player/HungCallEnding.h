// A quit signal ends the player also while the player thread is inside an
// add-on's call that does not return (a Render that loops for good), which
// the normal way out would wait for.
#pragma once

#include <chrono>
#include <functional>
#include <stop_token>
#include <thread>

#include "host/AddonCallTracker.h"

// On a thread of its own. Once a stop is requested of `quit` (a quit signal
// came), the player thread's add-on calls are watched: one still under way
// kGrace after the signal, or after the call began if that was later, or when
// another quit signal comes, is given up. The tracker then holds the player
// thread for good where the call returns, and `end` runs on this thread to
// end the run without that add-on; it does not return, as the process exits
// from there.
class HungCallEnding {
public:
	static constexpr std::chrono::seconds kGrace{2};

	enum class Why {
		Grace,    // the call outlasted kGrace
		QuitAgain // another quit signal came while it was under way
	};
	using End = std::function<void(const AddonCallTracker::Call& call, Why why)>;

	// `calls` and `end` outlive this object. [main thread, after QuitSignals::Install()]
	HungCallEnding(AddonCallTracker& calls, std::stop_token quit, End end);
	// Stops watching. [main thread]
	~HungCallEnding() = default;

	HungCallEnding(const HungCallEnding&) = delete;
	HungCallEnding& operator=(const HungCallEnding&) = delete;

private:
	void Watch(std::stop_token stop);

	AddonCallTracker& calls_;
	const std::stop_token quit_;
	const End end_;
	std::jthread thread_; // last: stopped and joined before the rest goes
};
