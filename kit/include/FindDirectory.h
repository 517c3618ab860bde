// Where the platform's folders live on this machine. Add-on code spells its
// settings files as on the platform ("/boot/home/config/settings/...") and
// passes them through host_path() before opening them.
//
// The settings folder is the one the host gave to set_settings_directory(),
// usually a folder of its own in user_config_directory(); until it gives one,
// the user's configuration folder itself.
//
// All calls are [any thread]: the folder set by set_settings_directory() is
// guarded by a lock. The environment is read on every call; like getenv()
// itself, that must not overlap a setenv() on another thread.
#pragma once

#include <string>

#include "SupportDefs.h"

// The platform's settings folder, as add-on code spells it.
inline constexpr const char* kPlatformSettingsDirectory = "/boot/home/config/settings";

// [any thread] Uses `path` as the settings folder from now on; nullptr or ""
// goes back to user_config_directory(). The kit keeps its own copy.
BE_EXPORT void set_settings_directory(const char* path);

// [any thread] The host folder that stands for the platform's settings folder.
BE_EXPORT std::string settings_directory();

// [any thread] The user's configuration folder: $XDG_CONFIG_HOME when it is
// absolute, else ~/.config.
BE_EXPORT std::string user_config_directory();

// [any thread] The user's home folder: $HOME, else the password database's
// entry; "" when neither knows one.
BE_EXPORT std::string home_directory();

// [any thread] The host path for a platform path. Paths under the settings
// folder (or the folder itself) are moved into settings_directory(), which is
// created if missing, as it always exists on the platform; a failure to create
// it shows later, when the file is opened. Other paths come back unchanged;
// nullptr gives "".
BE_EXPORT std::string host_path(const char* platformPath);
