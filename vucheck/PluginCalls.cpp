#include "PluginCalls.h"

#include "host/AddonGate.h"
#include "host/AddonLibrary.h"

bool PluginCalls::Init() {
	const AddonGate gate(path_, AddonStep::Init);
	return plugin_->Init();
}

void PluginCalls::Cleanup() {
	const AddonGate gate(path_, AddonStep::Cleanup);
	plugin_->Cleanup();
}

bool PluginCalls::About(bool query) {
	const AddonGate gate(path_, AddonStep::About);
	return plugin_->About(query);
}

bool PluginCalls::Prefs(bool query) {
	const AddonGate gate(path_, AddonStep::Prefs);
	return plugin_->Prefs(query);
}

bool PluginCalls::Render(const int16* samples) {
	const AddonGate gate(path_, AddonStep::Render);
	return AddonLibrary::Render(plugin_, samples);
}
