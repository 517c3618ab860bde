#include "PluginCalls.h"

#include "ReportPipe.h"
#include "host/AddonLibrary.h"

bool PluginCalls::Init() {
	const ReportPipe::Call call("Init");
	return plugin_->Init();
}

void PluginCalls::Cleanup() {
	const ReportPipe::Call call("Cleanup");
	plugin_->Cleanup();
}

bool PluginCalls::About(bool query) {
	const ReportPipe::Call call("About");
	return plugin_->About(query);
}

bool PluginCalls::Prefs(bool query) {
	const ReportPipe::Call call("Prefs");
	return plugin_->Prefs(query);
}

bool PluginCalls::Render(const int16* samples) {
	const ReportPipe::Call call("Render");
	return AddonLibrary::Render(plugin_, samples);
}
