// Where the platform's folders live on this machine. Add-on code spells its
// settings files as on the platform ("/boot/home/config/settings/...") and
// passes them through host_path() before opening them.
//
// The settings folder is, in this order: the folder given to
// set_settings_directory(), else $VUMETERS_SETTINGS_DIR, else
// $XDG_CONFIG_HOME/vu-meters (only when XDG_CONFIG_HOME is absolute), else
// $HOME/.config/vu-meters.
//
// All calls are [any thread]: the folder set by set_settings_directory() is
// guarded by a lock. The environment is read on every call; like getenv()
// itself, that must not overlap a setenv() on another thread.
#pragma once

#include <string>

// The platform's settings folder, as add-on code spells it.
inline constexpr const char* kPlatformSettingsDirectory = "/boot/home/config/settings";

// [any thread] Uses `path` as the settings folder from now on; nullptr or ""
// goes back to the environment. The kit keeps its own copy.
void set_settings_directory(const char* path);

// [any thread] The host folder that stands for the platform's settings folder.
std::string settings_directory();

// [any thread] The user's home folder: $HOME, else the password database's
// entry; "" when neither knows one.
std::string home_directory();

// [any thread] The host path for a platform path. Paths under the settings
// folder (or the folder itself) are moved into settings_directory(), which is
// created if missing, as it always exists on the platform; a failure to create
// it shows later, when the file is opened. Other paths come back unchanged;
// nullptr gives "".
std::string host_path(const char* platformPath);
