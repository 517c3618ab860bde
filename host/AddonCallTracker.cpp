#include "host/AddonCallTracker.h"

AddonCallTracker::Scope::Scope(AddonCallTracker* tracker, const RunningAddon* addon, const std::string& path,
                               const char* call)
    : tracker_(tracker) {
	if (!tracker_) return;
	const auto now = std::chrono::steady_clock::now();
	std::lock_guard guard(tracker_->lock_);
	// Calls made by the thread that took over are its own business.
	if (tracker_->takenOver_) {
		tracker_ = nullptr;
		return;
	}
	tracker_->inside_ = true;
	tracker_->addon_ = addon;
	tracker_->path_ = &path;
	tracker_->name_ = call;
	tracker_->since_ = now;
	tracker_->number_++;
}

AddonCallTracker::Scope::~Scope() {
	if (!tracker_) return;
	std::unique_lock guard(tracker_->lock_);
	// The thread that took over owns everything now; this one waits for the
	// process to end.
	tracker_->never_.wait(guard, [this] { return !tracker_->takenOver_; });
	tracker_->inside_ = false;
}

std::optional<AddonCallTracker::Call> AddonCallTracker::Current() const {
	std::lock_guard guard(lock_);
	if (!inside_) return std::nullopt;
	return Call{addon_, *path_, name_, since_, number_};
}

bool AddonCallTracker::TakeOver(uint64_t number) {
	std::lock_guard guard(lock_);
	if (!inside_ || number_ != number) return false;
	takenOver_ = true;
	return true;
}
