#include "HungCallEnding.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "QuitSignals.h"

namespace {

// How often the calls are looked at once a quit signal has come: often
// enough that a second Ctrl+C ends the run at once.
constexpr auto kLookAgain = std::chrono::milliseconds(50);

} // namespace

HungCallEnding::HungCallEnding(AddonCallTracker& calls, std::stop_token quit, End end)
    : calls_(calls), quit_(std::move(quit)), end_(std::move(end)),
      thread_([this](std::stop_token stop) { Watch(std::move(stop)); }) {}

void HungCallEnding::Watch(std::stop_token stop) {
	std::mutex lock;
	std::condition_variable_any woken;
	// Made before the lock is taken: it runs at once when the stop came already.
	const std::stop_callback quitting(quit_, [&] {
		const std::lock_guard wake(lock);
		woken.notify_all();
	});
	std::unique_lock guard(lock);
	if (!woken.wait(guard, stop, [this] { return quit_.stop_requested(); })) return;
	const auto signalled = std::chrono::steady_clock::now();
	// Every signal after the first counts, also one that came before this thread woke.
	int signals = 1;
	while (!woken.wait_for(guard, stop, kLookAgain, [] { return false; }) && !stop.stop_requested()) {
		const int now = QuitSignals::Count();
		const bool again = now > signals;
		signals = now;
		const std::optional<AddonCallTracker::Call> call = calls_.Current();
		if (!call) continue;
		const bool late = std::chrono::steady_clock::now() - std::max(call->since, signalled) >= kGrace;
		if ((again || late) && calls_.TakeOver(call->number))
			end_(*call, again ? Why::QuitAgain : Why::Grace);
	}
}
