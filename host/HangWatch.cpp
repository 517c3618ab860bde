#include "host/HangWatch.h"

#include "host/AddonWatch.h"

HangWatch::HangWatch(std::chrono::milliseconds patience, std::chrono::milliseconds every, GiveUp giveUp)
    : patience_(patience), every_(every), giveUp_(std::move(giveUp)),
      thread_([this](std::stop_token stop) { Watch(std::move(stop)); }) {
	AddonWatch::Add(this);
}

HangWatch::~HangWatch() {
	AddonWatch::Remove(this);
	thread_.request_stop();
}

void HangWatch::Began(const AddonCall& call) {
	if (std::this_thread::get_id() != watched_ || call.outer) return;
	since_.store(Clock::now().time_since_epoch().count());
	call_.store(call.Name());
}

void HangWatch::Ended(const AddonCall& call) {
	if (std::this_thread::get_id() == watched_ && !call.outer) call_.store(nullptr);
}

void HangWatch::Watch(std::stop_token stop) {
	std::unique_lock guard(lock_);
	while (!wake_.wait_for(guard, stop, every_, [] { return false; }) && !stop.stop_requested()) {
		const char* call = call_.load();
		if (!call || Clock::now() - Clock::time_point(Clock::duration(since_.load())) < patience_) continue;
		giveUp_(call);
		return;
	}
}
