// The settings files the add-ons use, for the host to keep its own outputs
// off them: an add-on reads its file through read_settings_file()
// (SettingsFile.h) when its library loads and writes it when it unloads.
// Add-on code does not use this.
#pragma once

#include <string>
#include <vector>

#include <SupportDefs.h>

namespace kit {

// [any thread] Every file read_settings_file() was asked for so far, as the
// path in the settings folder (links not followed), each once, in the order
// first asked for.
BE_EXPORT std::vector<std::string> SettingsFilesRead();

} // namespace kit
