// The one door into add-on code: every call that runs an add-on's own code
// (dlopen, NewPlugin, Init, Render, Prefs, About, Cleanup, the destructor,
// dlclose) is made while a gate lives, which tells the AddonWatch of it.
#pragma once

#include <string>

#include "host/AddonCall.h"

// While it lives, the calling thread is inside `step` of the add-on at
// `path`, which outlives it; `addon` is the RunningAddon whose order the
// call belongs to, null outside one. Gates nest. Allocates nothing.
//
// [any thread] Made and destroyed on the thread that calls the add-on.
class AddonGate {
public:
	AddonGate(const std::string& path, AddonStep step, const RunningAddon* addon = nullptr);
	~AddonGate();

	AddonGate(const AddonGate&) = delete;
	AddonGate& operator=(const AddonGate&) = delete;

	// What the add-on's call returned, for the observers told of its end.
	void Returned(bool result) { call_.returned = result; }

private:
	AddonCall call_;
};
