#include "MeterLibrary.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

namespace {

std::filesystem::path LibraryPath() {
	Dl_info info{};
	if (!dladdr(reinterpret_cast<const void*>(&MeterLibrary::Load), &info) || !info.dli_fname) return {};
	std::error_code ec;
	const auto self = std::filesystem::canonical(info.dli_fname, ec);
	if (ec) return {};
	return (self.parent_path() / VUMETERS_LIBDIR_FROM_BRIDGEDIR / VUMETERS_AUDACIOUS_LIBRARY)
	    .lexically_normal();
}

template <typename Function> bool Resolve(void* handle, const char* name, Function& function) {
	function = reinterpret_cast<Function>(dlsym(handle, name));
	return function != nullptr;
}

} // namespace

const MeterLibrary* MeterLibrary::Load(std::string& error) {
	static MeterLibrary library;
	static void* handle = nullptr;
	// Audacious may enable the feed, an effect, on a thread of its own.
	static std::mutex lock;
	const std::lock_guard locked(lock);
	if (handle) return &library;
	const std::filesystem::path path = LibraryPath();
	if (path.empty()) {
		error = "cannot tell where this plug-in was installed";
		return nullptr;
	}
	void* opened = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!opened) {
		const char* why = dlerror();
		error = path.string() + ": cannot load: " + (why ? why : "unknown error");
		return nullptr;
	}
	VuMeterApiVersion version = nullptr;
	if (!Resolve(opened, "vumeters_api_version", version) || version() != VUMETERS_AUDACIOUS_API ||
	    !Resolve(opened, "vumeters_start", library.start) || !Resolve(opened, "vumeters_end", library.end) ||
	    !Resolve(opened, "vumeters_prefs", library.prefs) ||
	    !Resolve(opened, "vumeters_about", library.about) ||
	    !Resolve(opened, "vumeters_feed_start", library.feedStart) ||
	    !Resolve(opened, "vumeters_feed_process", library.feedProcess) ||
	    !Resolve(opened, "vumeters_feed_flush", library.feedFlush) ||
	    !Resolve(opened, "vumeters_feed_finish", library.feedFinish)) {
		dlclose(opened);
		error = path.string() + ": of another build than this plug-in";
		return nullptr;
	}
	handle = opened;
	return &library;
}
