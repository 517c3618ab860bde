#include "PluginCalls.h"

#include "ReportPipe.h"

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

bool PluginCalls::Render(const VisAudioInfoStruct* info) {
	const ReportPipe::Call call("Render");
	return fPlugin->Render(info);
}
