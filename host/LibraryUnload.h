// Closing an add-on library and making sure it really left the process.
#pragma once

#include <dlfcn.h>

#include <string>

// Closes `handle` (null afterwards) and tells whether the library at `path`
// is gone: a library that is still mapped (held by another handle, or kept by
// a unique symbol) would neither run its unload code nor write its settings.
inline bool CloseAndConfirmUnloaded(void*& handle, const std::string& path) {
	if (!handle) return true;
	dlclose(handle);
	handle = nullptr;
	void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
	if (!still) return true;
	dlclose(still);
	return false;
}
