#include "host/AddonGate.h"

#include "host/AddonWatch.h"

AddonGate::AddonGate(const std::string& path, AddonStep step, const RunningAddon* addon)
    : call_{&path, step, addon, nullptr, false} {
	AddonWatch::Begin(call_);
}

AddonGate::~AddonGate() { AddonWatch::End(call_); }
