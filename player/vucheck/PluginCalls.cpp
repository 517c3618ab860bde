#include "PluginCalls.h"

#include "ReportPipe.h"
#include "host/AddonLibrary.h"

bool PluginCalls::Init() {
	const ReportPipe::Call call("Init");
	return fPlugin->Init();
}

void PluginCalls::Cleanup() {
	const ReportPipe::Call call("Cleanup");
	fPlugin->Cleanup();
}

bool PluginCalls::About(bool query) {
	const ReportPipe::Call call("About");
	return fPlugin->About(query);
}

bool PluginCalls::Prefs(bool query) {
	const ReportPipe::Call call("Prefs");
	return fPlugin->Prefs(query);
}

bool PluginCalls::Render(const int16* samples) {
	const ReportPipe::Call call("Render");
	return AddonLibrary::Render(fPlugin, samples);
}
