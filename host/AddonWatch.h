// The one watch of the calls into add-on code: which call each thread is
// inside now, and the observers told of each call as it begins and ends.
// Only the gate (AddonGate) tells it of calls.
#pragma once

#include <cstddef>

#include "host/AddonCall.h"

class AddonCallObserver;
class AddonGate;

// For the whole process, so that a signal or exit handler can ask it.
class AddonWatch {
public:
	static constexpr size_t kMaxObservers = 8;

	enum class Order {
		Any,
		// Hears of each end before every Any observer: one that may hold the
		// calling thread there for good (a tracker taken over from), before
		// the others touch the host's state.
		EndsFirst,
	};

	// Observers
	// `observer` is told of every call from now on. Not owned. Asserts when
	// kMaxObservers of its order are added. [any thread]
	static void Add(AddonCallObserver* observer, Order order = Order::Any);
	// Tells `observer` of no more calls. Its owner keeps it alive as long as
	// a call it was told of may still end. [any thread]
	static void Remove(AddonCallObserver* observer);

	// The call the calling thread is inside, the innermost when they nest, or
	// null. Async-signal-safe, for a crash handler on the thread that crashed.
	// [any thread]
	static const AddonCall* Current();

private:
	friend class AddonGate;
	static void Begin(AddonCall& call);
	static void End(const AddonCall& call);
};
