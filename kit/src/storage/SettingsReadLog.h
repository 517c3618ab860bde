// Which settings files were asked for, kept for kit::SettingsFilesRead().
#pragma once

#include <string>

class SettingsReadLog {
public:
	// `path` was asked for. [any thread]; may throw bad_alloc.
	static void Record(const std::string& path);
};
