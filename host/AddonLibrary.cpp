#include "host/AddonLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <vector>

#include "host/AddonGate.h"
#include "host/LibraryUnload.h"

std::string AddonLibrary::NotARegularFile(const std::string& path) {
	struct stat status {};
	if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return {};
	const char* kind = S_ISFIFO(status.st_mode)   ? "a FIFO"
	                   : S_ISDIR(status.st_mode)  ? "a folder"
	                   : S_ISSOCK(status.st_mode) ? "a socket"
	                                              : "a device";
	return std::string("not a regular file (") + kind + ")";
}

AddonLibrary::AddonLibrary(std::string path) : path_(std::move(path)) {
	if (std::string why = NotARegularFile(path_); !why.empty()) {
		failure_ = Failure::NotOpened;
		openError_ = std::move(why);
		return;
	}
	const AddonGate gate(path_, AddonStep::Open);
	handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (handle_) return;
	failure_ = Failure::NotOpened;
	const char* why = dlerror();
	openError_ = why ? why : "cannot be loaded";
}

AddonLibrary::~AddonLibrary() { Close(); }

std::string AddonLibrary::Error() const {
	switch (failure_) {
	case Failure::None:
		return "";
	case Failure::NotOpened:
		// dlerror() already starts with the path for most failures.
		return openError_.rfind(path_, 0) == 0 ? openError_ : path_ + ": " + openError_;
	case Failure::NoNewPlugin:
		return path_ + ": not an add-on (no NewPlugin)";
	case Failure::NewPluginThrew:
		return path_ + ": NewPlugin threw an exception";
	case Failure::NoObject:
		return path_ + ": NewPlugin made no plug-in object";
	}
	return "";
}

VisualizationPlugin* AddonLibrary::NewPlugin() {
	if (!handle_ || madePlugin_) return plugin_;
	madePlugin_ = true;
	auto create = reinterpret_cast<NewPluginFunction>(dlsym(handle_, "NewPlugin"));
	if (!create) {
		failure_ = Failure::NoNewPlugin;
		return nullptr;
	}
	try {
		const AddonGate gate(path_, AddonStep::NewPlugin);
		plugin_ = create(&newPluginResult_);
	} catch (...) {
		// No exception may cross the add-on boundary; one that does is a failed load.
		failure_ = Failure::NewPluginThrew;
		return nullptr;
	}
	if (!plugin_) failure_ = Failure::NoObject;
	return plugin_;
}

void AddonLibrary::DeletePlugin() {
	if (!plugin_) return;
	const AddonGate gate(path_, AddonStep::Delete);
	delete plugin_;
	plugin_ = nullptr;
}

bool AddonLibrary::Close() {
	DeletePlugin();
	if (!handle_) return true;
	const AddonGate gate(path_, AddonStep::Close);
	return CloseAndConfirmUnloaded(handle_, path_);
}

void AddonLibrary::KeepLoaded() {
	// Held where they stay reachable, so that they are not taken for leaks either.
	static auto* kept = new std::vector<std::pair<void*, VisualizationPlugin*>>;
	if (handle_ || plugin_) kept->emplace_back(handle_, plugin_);
	handle_ = nullptr;
	plugin_ = nullptr;
}

bool AddonLibrary::Render(VisualizationPlugin* plugin, const int16* samples) {
	// The packed record leaves the pointer unaligned on 64-bit machines.
	VisAudioInfoStruct info{};
	std::memcpy(reinterpret_cast<char*>(&info) + offsetof(VisAudioInfoStruct, samples), &samples,
	            sizeof samples);
	return plugin->Render(&info);
}
