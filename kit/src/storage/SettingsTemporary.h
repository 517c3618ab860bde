// The new contents of a settings file, written beside it under a name that
// marks it as the kit's, and renamed over the file once complete.
//
// The temporary is locked (flock) from just after it is created until it has
// been renamed or removed. The lock dies with its writer, so a temporary that
// is not locked was left by a writer that was ended mid-write, and is stale;
// one that is locked is being written right now, by this process or another.
#pragma once

#include <string>
#include <sys/stat.h>

class SettingsTemporary {
public:
	// Creates and locks a temporary in `folder` for the file `name`, with
	// `mode` less the umask. Check Error().
	SettingsTemporary(const std::string& folder, const std::string& name, mode_t mode);
	// Removes the temporary unless it has replaced the file.
	~SettingsTemporary();
	SettingsTemporary(const SettingsTemporary&) = delete;
	SettingsTemporary& operator=(const SettingsTemporary&) = delete;

	// 0 once created, else the errno value that stopped it.
	int Error() const { return fError; }

	// Writes `data`, gives the temporary the mode of `old` (the file it
	// replaces, or null for a new file), puts it on disk and renames it over
	// `target`. 0, or the errno value of the step that failed.
	int Replace(const std::string& target, const void* data, size_t size, const struct stat* old);

	// Removes the stale temporaries in `folder`: the kit's that are not
	// locked, and those of the mkstemp-named kind an earlier version left
	// beside `name`, once they are a minute old.
	static void RemoveStale(const std::string& folder, const std::string& name);

private:
	std::string fPath; // empty once renamed
	int fFile = -1;
	int fError = 0;
};
