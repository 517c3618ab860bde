#include "PluginLibrary.h"

#include <dlfcn.h>

#include "LibraryFolder.h"

void* PluginLibrary::Symbol(void* handle, const char* name) { return dlsym(handle, name); }

Expected<void*> PluginLibrary::Open(const std::string& fromPlugin, const std::string& fileName,
                                    const char* versionName, int version) {
	const std::filesystem::path folder = LibraryFolder::Path();
	if (folder.empty()) return Failure{"cannot tell where this plug-in was installed"};
	const std::filesystem::path path = (folder / fromPlugin / fileName).lexically_normal();
	void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
	if (!handle) {
		const char* why = dlerror();
		return Failure{path.string() + ": cannot load: " + (why ? why : "unknown error")};
	}
	int (*answer)() = nullptr;
	if (!Resolve(handle, versionName, answer) || answer() != version) {
		dlclose(handle);
		return Failure{path.string() + ": of another build than this plug-in"};
	}
	return handle;
}
