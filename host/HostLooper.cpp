#include "host/HostLooper.h"

#include <string>
#include <utility>

#include "host/Report.h"

HostLooper* HostLooper::Start(size_t addons) {
	auto* looper = new HostLooper(addons);
	looper->Run();
	return looper;
}

void HostLooper::Dispose(HostLooper* looper) {
	if (looper && looper->Lock()) looper->Quit();
}

HostLooper::HostLooper(size_t addons) : BLooper(ReportName()) {
	for (size_t i = 0; i < addons; i++) {
		handlers_.push_back(std::make_unique<BHandler>(("add-on " + std::to_string(i + 1)).c_str()));
		AddHandler(handlers_.back().get());
	}
}

HostLooper::~HostLooper() {
	for (auto& handler : handlers_)
		RemoveHandler(handler.get());
}

std::vector<HostLooper::Received> HostLooper::Take() {
	std::lock_guard guard(lock_);
	return std::exchange(inbox_, {});
}

void HostLooper::DispatchMessage(BMessage* message, BHandler* handler) {
	for (size_t i = 0; i < handlers_.size(); i++) {
		if (handler != handlers_[i].get()) continue;
		std::lock_guard guard(lock_);
		inbox_.push_back({i, *message});
		return;
	}
	BLooper::DispatchMessage(message, handler);
}
