#include "HostedAddon.h"

#include <dlfcn.h>

#include <algorithm>

#include <Window.h>
#include <kit/Display.h>

#include "CrashReport.h"

std::unique_ptr<HostedAddon> HostedAddon::Load(const std::string& path, std::string& error) {
	void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!library) {
		const char* why = dlerror();
		error = why ? std::string(why) : path + ": cannot be loaded";
		// dlerror() already starts with the path for most failures.
		if (error.rfind(path, 0) != 0) error = path + ": " + error;
		return nullptr;
	}
	auto create = reinterpret_cast<NewPluginFunction>(dlsym(library, "NewPlugin"));
	if (!create) {
		dlclose(library);
		error = path + ": not an add-on (no NewPlugin)";
		return nullptr;
	}
	std::unique_ptr<HostedAddon> addon(new HostedAddon(path, library));
	int32 result = 0;
	try {
		CrashReport crash(path + ": the add-on crashed in NewPlugin");
		addon->plugin_ = create(&result);
	} catch (...) {
		error = path + ": NewPlugin threw an exception";
		return nullptr;
	}
	if (!addon->plugin_) {
		error = path + ": NewPlugin made no plug-in object";
		return nullptr;
	}
	return addon;
}

HostedAddon::~HostedAddon() {
	Discard();
	if (!abandoned_) dlclose(library_);
}

bool HostedAddon::Start(BHandler* host) {
	if (!plugin_ || running_) return running_;
	const std::vector<BWindow*> before = kit::Windows();
	plugin_->host_handler = host;
	try {
		CrashReport crash(path_ + ": the add-on crashed while starting");
		running_ = plugin_->Init();
	} catch (...) {
		// No exception may cross the add-on boundary; one that does is a failed start.
		running_ = false;
	}
	meterWindow_ = nullptr;
	for (BWindow* window : kit::Windows())
		if (std::find(before.begin(), before.end(), window) == before.end()) {
			meterWindow_ = window;
			break;
		}
	return running_;
}

bool HostedAddon::Render(const int16* samples) {
	if (!running_) return false;
	VisAudioInfoStruct info{};
	info.samples = samples;
	return plugin_->Render(&info);
}

void HostedAddon::Stop() {
	if (!running_) return;
	running_ = false;
	meterWindow_ = nullptr;
	plugin_->Cleanup();
}

void HostedAddon::Discard() {
	Stop();
	delete plugin_;
	plugin_ = nullptr;
}

void HostedAddon::Abandon() {
	Stop();
	// Held where it stays reachable, so that it is not taken for a leak either.
	static auto* kept = new std::vector<VisualizationPlugin*>;
	if (plugin_) kept->push_back(plugin_);
	plugin_ = nullptr;
	abandoned_ = true;
}
