// How a player plug-in's small library finds and loads the library that runs
// the meters for that player: in the tree the plug-in was installed with,
// found from the plug-in's own file with links followed, so that a plug-in
// linked into the player's folder from any installed tree works. The small
// library depends on nothing of the tree itself; this is linked into it.
#pragma once

#include <string>

#include "host/Expected.h"

namespace PluginLibrary {

// Opens `fileName` in `fromPlugin`, a folder relative to the folder of the
// plug-in's own file, and checks that it is of this build: its function
// `versionName` answers `version`. The handle stays open for the rest of
// the process. [any thread, one at a time]
Expected<void*> Open(const std::string& fromPlugin, const std::string& fileName, const char* versionName,
                     int version);

// The library's function `name`; null when it has none.
void* Symbol(void* handle, const char* name);

// Sets `function` to the library's `name`; false when it has none.
template <typename Function> bool Resolve(void* handle, const char* name, Function& function) {
	function = reinterpret_cast<Function>(Symbol(handle, name));
	return function != nullptr;
}

} // namespace PluginLibrary
