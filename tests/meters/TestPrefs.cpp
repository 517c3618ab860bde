// The tests' ThePrefs, in place of the add-ons' one: its settings folder is a
// path below a file, so it reads nothing (the defaults hold, gain 100) and
// its write at exit fails quietly, leaving the user's settings alone.
#include "core/Preferences.h"

#include <FindDirectory.h>

namespace {

// Runs before ThePrefs is constructed: same unit, earlier definition.
[[maybe_unused]] const bool kSettingsFolderRedirected = [] {
	set_settings_directory("/dev/null/vu-meter-tests");
	return true;
}();

} // namespace

Preferences ThePrefs;
