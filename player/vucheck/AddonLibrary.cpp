#include "AddonLibrary.h"

#include <dlfcn.h>

#include "player/LibraryUnload.h"

AddonLibrary::AddonLibrary(std::string path) : fPath(std::move(path)) {
	fHandle = dlopen(fPath.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!fHandle) {
		const char* why = dlerror();
		fError = why ? why : fPath + ": cannot be loaded";
	}
}

AddonLibrary::~AddonLibrary() { Close(); }

VisualizationPlugin* AddonLibrary::NewPlugin() {
	if (!fHandle || fPlugin) return fPlugin;
	auto create = reinterpret_cast<NewPluginFunction>(dlsym(fHandle, "NewPlugin"));
	if (!create) {
		fError = fPath + ": no NewPlugin";
		return nullptr;
	}
	int32 result = 0;
	fPlugin = create(&result);
	if (!fPlugin) fError = fPath + ": NewPlugin made no object";
	return fPlugin;
}

void AddonLibrary::DeletePlugin() {
	delete fPlugin;
	fPlugin = nullptr;
}

bool AddonLibrary::Close() {
	DeletePlugin();
	return CloseAndConfirmUnloaded(fHandle, fPath);
}

void AddonLibrary::KeepLoaded() {
	DeletePlugin();
	fHandle = nullptr;
}

bool AddonLibrary::Render(VisualizationPlugin* plugin, const int16* samples) {
	VisAudioInfoStruct info{};
	std::memcpy(reinterpret_cast<char*>(&info) + offsetof(VisAudioInfoStruct, samples), &samples,
	            sizeof samples);
	return plugin->Render(&info);
}
