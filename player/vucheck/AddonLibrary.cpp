#include "AddonLibrary.h"

#include <dlfcn.h>

#include "ReportPipe.h"
#include "player/LibraryUnload.h"

AddonLibrary::AddonLibrary(std::string path) : fPath(std::move(path)) {
	const ReportPipe::Call call("the library's constructors (dlopen)");
	fHandle = dlopen(fPath.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!fHandle) {
		const char* why = dlerror();
		fError = why ? why : fPath + ": cannot be loaded";
	}
}

AddonLibrary::~AddonLibrary() { Close(); }

PluginCalls* AddonLibrary::NewPlugin() {
	if (!fHandle || fPlugin) return fPlugin ? &*fPlugin : nullptr;
	auto create = reinterpret_cast<NewPluginFunction>(dlsym(fHandle, "NewPlugin"));
	if (!create) {
		fError = fPath + ": no NewPlugin";
		return nullptr;
	}
	int32 result = 0;
	VisualizationPlugin* plugin = nullptr;
	{
		const ReportPipe::Call call("NewPlugin");
		plugin = create(&result);
	}
	if (!plugin) {
		fError = fPath + ": NewPlugin made no object";
		return nullptr;
	}
	return &fPlugin.emplace(plugin);
}

void AddonLibrary::DeletePlugin() {
	if (!fPlugin) return;
	const ReportPipe::Call call("the plug-in's destructor");
	delete fPlugin->Object();
	fPlugin.reset();
}

bool AddonLibrary::Close() {
	DeletePlugin();
	if (!fHandle) return true;
	const ReportPipe::Call call("the library's destructors (dlclose)");
	return CloseAndConfirmUnloaded(fHandle, fPath);
}

void AddonLibrary::KeepLoaded() {
	DeletePlugin();
	fHandle = nullptr;
}

bool AddonLibrary::Render(PluginCalls* plugin, const int16* samples) {
	VisAudioInfoStruct info{};
	std::memcpy(reinterpret_cast<char*>(&info) + offsetof(VisAudioInfoStruct, samples), &samples,
	            sizeof samples);
	return plugin->Render(&info);
}
