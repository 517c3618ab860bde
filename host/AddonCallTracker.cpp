#include "host/AddonCallTracker.h"

#include "host/AddonWatch.h"

AddonCallTracker::AddonCallTracker(std::function<bool(const RunningAddon*)> ours) : ours_(std::move(ours)) {
	AddonWatch::Add(this, AddonWatch::Order::EndsFirst);
}

AddonCallTracker::~AddonCallTracker() { AddonWatch::Remove(this); }

void AddonCallTracker::Began(const AddonCall& call) {
	if (!call.addon) return;
	const auto now = std::chrono::steady_clock::now();
	std::lock_guard guard(lock_);
	// Calls made by the thread that took over are its own business.
	if (takenOver_ || inside_ || !ours_(call.addon)) return;
	inside_ = &call;
	since_ = now;
	number_++;
}

void AddonCallTracker::Ended(const AddonCall& call) {
	std::unique_lock guard(lock_);
	if (inside_ != &call) return;
	// The thread that took over owns everything now; this one waits for the
	// process to end.
	never_.wait(guard, [this] { return !takenOver_; });
	inside_ = nullptr;
}

std::optional<AddonCallTracker::Call> AddonCallTracker::Current() const {
	std::lock_guard guard(lock_);
	if (!inside_) return std::nullopt;
	return Call{inside_->addon, *inside_->path, inside_->Name(), since_, number_};
}

bool AddonCallTracker::TakeOver(uint64_t number) {
	std::lock_guard guard(lock_);
	if (!inside_ || number_ != number) return false;
	takenOver_ = true;
	return true;
}
