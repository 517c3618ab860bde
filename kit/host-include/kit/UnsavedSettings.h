// The settings files that could not be written, for the host to report: the
// add-ons write theirs through write_settings_file() (SettingsFile.h) and
// say nothing when that fails. Add-on code does not use this.
#pragma once

#include <string>
#include <vector>

#include <SupportDefs.h>

namespace kit {

struct UnsavedSettings {
	std::string path;   // the file that was to be written, links followed
	std::string reason; // as strerror() puts it, or "not a regular file"
};

// [any thread] The files whose last write_settings_file() since the previous
// call failed, in the order they were first written; the writes are
// forgotten. Call it once the libraries that write at unload are closed.
BE_EXPORT std::vector<UnsavedSettings> TakeUnsavedSettings();

} // namespace kit
