#include "host/AddonWatch.h"

#include <atomic>
#include <cassert>

#include "host/AddonCallObserver.h"

namespace {

// Slots rather than a list, so that passing the gate takes no lock and
// allocates nothing; an empty slot is null.
std::atomic<AddonCallObserver*> gObservers[AddonWatch::kMaxObservers];

// Set and read on its own thread only, a signal handler there included.
thread_local const AddonCall* tCurrent = nullptr;

} // namespace

void AddonWatch::Add(AddonCallObserver* observer) {
	for (auto& slot : gObservers) {
		AddonCallObserver* empty = nullptr;
		if (slot.compare_exchange_strong(empty, observer)) return;
	}
	assert(!"AddonWatch::Add: more observers than kMaxObservers; Remove() the ones done with");
}

void AddonWatch::Remove(AddonCallObserver* observer) {
	for (auto& slot : gObservers) {
		AddonCallObserver* expected = observer;
		slot.compare_exchange_strong(expected, nullptr);
	}
}

const AddonCall* AddonWatch::Current() { return tCurrent; }

void AddonWatch::Begin(AddonCall& call) {
	call.outer = tCurrent;
	for (auto& slot : gObservers)
		if (AddonCallObserver* observer = slot.load()) observer->Began(call);
	// A crash handler on this thread sees the call as soon as it is set,
	// never a half-made one.
	std::atomic_signal_fence(std::memory_order_seq_cst);
	tCurrent = &call;
	std::atomic_signal_fence(std::memory_order_seq_cst);
}

void AddonWatch::End(const AddonCall& call) {
	for (size_t i = kMaxObservers; i-- > 0;)
		if (AddonCallObserver* observer = gObservers[i].load()) observer->Ended(call);
	std::atomic_signal_fence(std::memory_order_seq_cst);
	tCurrent = call.outer;
	std::atomic_signal_fence(std::memory_order_seq_cst);
}
