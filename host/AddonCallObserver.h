// What a part of a host that must know of the calls into add-on code (a
// tracker, a hang watch, a report) implements, added to the AddonWatch.
#pragma once

#include "host/AddonCall.h"

// Both run on the thread that makes the call, right before the add-on's code
// runs and right after it returned or threw; from several threads at once
// when several call. They must allocate nothing (a validator counts Render's
// allocations) and throw nothing. Ended may hold its thread for good, as a
// tracker that another thread took over from does; such an observer is added
// to hear of ends first (AddonWatch::Order::EndsFirst).
class AddonCallObserver {
public:
	virtual ~AddonCallObserver() = default;

	// [the calling thread]
	virtual void Began(const AddonCall& call) = 0;
	virtual void Ended(const AddonCall& call) = 0;
};
