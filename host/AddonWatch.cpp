#include "host/AddonWatch.h"

#include <atomic>
#include <cassert>

#include "host/AddonCallObserver.h"

namespace {

using Slots = std::atomic<AddonCallObserver*>[AddonWatch::kMaxObservers];

// Slots rather than a list, so that passing the gate takes no lock and
// allocates nothing; an empty slot is null.
Slots gEndsFirst;
Slots gAny;

void Tell(Slots& slots, void (AddonCallObserver::*tell)(const AddonCall&), const AddonCall& call) {
	for (auto& slot : slots)
		if (AddonCallObserver* observer = slot.load()) (observer->*tell)(call);
}

// Set and read on its own thread only, a signal handler there included.
thread_local const AddonCall* tCurrent = nullptr;

} // namespace

void AddonWatch::Add(AddonCallObserver* observer, Order order) {
	for (auto& slot : order == Order::EndsFirst ? gEndsFirst : gAny) {
		AddonCallObserver* empty = nullptr;
		if (slot.compare_exchange_strong(empty, observer)) return;
	}
	assert(!"AddonWatch::Add: more observers than kMaxObservers; Remove() the ones done with");
}

void AddonWatch::Remove(AddonCallObserver* observer) {
	for (Slots* slots : {&gEndsFirst, &gAny})
		for (auto& slot : *slots) {
			AddonCallObserver* expected = observer;
			slot.compare_exchange_strong(expected, nullptr);
		}
}

const AddonCall* AddonWatch::Current() { return tCurrent; }

void AddonWatch::Begin(AddonCall& call) {
	call.outer = tCurrent;
	Tell(gAny, &AddonCallObserver::Began, call);
	Tell(gEndsFirst, &AddonCallObserver::Began, call);
	// A crash handler on this thread sees the call as soon as it is set,
	// never a half-made one.
	std::atomic_signal_fence(std::memory_order_seq_cst);
	tCurrent = &call;
	std::atomic_signal_fence(std::memory_order_seq_cst);
}

void AddonWatch::End(const AddonCall& call) {
	Tell(gEndsFirst, &AddonCallObserver::Ended, call);
	Tell(gAny, &AddonCallObserver::Ended, call);
	std::atomic_signal_fence(std::memory_order_seq_cst);
	tCurrent = call.outer;
	std::atomic_signal_fence(std::memory_order_seq_cst);
}
