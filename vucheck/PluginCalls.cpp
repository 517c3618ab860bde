#include "PluginCalls.h"

#include "host/AddonGate.h"
#include "host/AddonLibrary.h"

namespace {

// Calls `body` through the gate as `step`, telling the gate what it returned.
template <typename Body> bool Gated(const std::string& path, AddonStep step, Body body) {
	AddonGate gate(path, step);
	const bool result = body();
	gate.Returned(result);
	return result;
}

} // namespace

bool PluginCalls::Init() {
	return Gated(path_, AddonStep::Init, [this] { return plugin_->Init(); });
}

void PluginCalls::Cleanup() {
	const AddonGate gate(path_, AddonStep::Cleanup);
	plugin_->Cleanup();
}

bool PluginCalls::About(bool query) {
	return Gated(path_, AddonStep::About, [this, query] { return plugin_->About(query); });
}

bool PluginCalls::Prefs(bool query) {
	return Gated(path_, AddonStep::Prefs, [this, query] { return plugin_->Prefs(query); });
}

bool PluginCalls::Render(const int16* samples) {
	return Gated(path_, AddonStep::Render,
	             [this, samples] { return AddonLibrary::Render(plugin_, samples); });
}
