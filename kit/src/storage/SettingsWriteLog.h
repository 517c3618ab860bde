// How each settings file's last write went, kept for kit::TakeUnsavedSettings().
#pragma once

#include <string>

class SettingsWriteLog {
public:
	// The write of `path` ended with `error` (0 when written) because of
	// `reason` (empty for strerror's). [any thread]; may throw bad_alloc.
	static void Record(const std::string& path, int error, const std::string& reason = {});
};
