#include "storage/SettingsTemporary.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// ".NAME.vumeters-XXXXXX": hidden, and plainly the kit's.
constexpr const char* kMarker = ".vumeters-";
constexpr size_t kRandomLength = 6;
constexpr const char kRandomCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kAttempts = 100;
// An earlier version's temporaries were never locked: only their age tells
// that their writer is gone, and its write took milliseconds.
constexpr time_t kLegacyStaleSeconds = 60;

std::string RandomSuffix() {
	std::string suffix(kRandomLength, ' ');
	for (char& character : suffix)
		character = kRandomCharacters[arc4random_uniform(sizeof kRandomCharacters - 1)];
	return suffix;
}

bool EndsInRandomSuffix(const std::string& name, size_t start) {
	return name.size() == start + kRandomLength &&
	       name.find_first_not_of(kRandomCharacters, start) == std::string::npos;
}

bool IsOurs(const std::string& name) {
	const size_t marker = name.rfind(kMarker);
	return name.front() == '.' && marker != std::string::npos && marker > 0 &&
	       EndsInRandomSuffix(name, marker + std::strlen(kMarker));
}

bool IsLegacy(const std::string& entry, const std::string& name) {
	return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
	       entry[name.size()] == '.' && EndsInRandomSuffix(entry, name.size() + 1);
}

// Whether `file` is still what `path` names: a temporary can be removed, or
// renamed, between being opened by name and being locked.
bool IsStillAt(int file, const std::string& path) {
	struct stat opened, named;
	return fstat(file, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
	       opened.st_ino == named.st_ino;
}

// Removes the temporary at `path` when no writer holds its lock (and, for
// the legacy kind, when it is old enough).
void RemoveIfStale(const std::string& path, bool legacy) {
	const int file = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
	if (file < 0) return;
	struct stat status;
	const bool stale = fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
	                   (!legacy || status.st_mtime + kLegacyStaleSeconds < std::time(nullptr)) &&
	                   flock(file, LOCK_EX | LOCK_NB) == 0;
	if (stale && IsStillAt(file, path)) unlink(path.c_str());
	close(file);
}

} // namespace

SettingsTemporary::SettingsTemporary(const std::string& folder, const std::string& name, mode_t mode) {
	for (int attempt = 0; attempt < kAttempts; ++attempt) {
		const std::string path = folder + "/." + name + kMarker + RandomSuffix();
		const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
		if (file < 0) {
			fError = errno;
			if (fError == EEXIST) continue;
			return;
		}
		// A cleaner that opened it before the lock was taken believes it
		// stale and removes it: leave it to that and take another name. On a
		// filesystem without locks nobody removes anything, so go on unlocked.
		const bool locked = flock(file, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
		if (locked && IsStillAt(file, path)) {
			fPath = path;
			fFile = file;
			fError = 0;
			return;
		}
		close(file);
		fError = EEXIST;
	}
}

SettingsTemporary::~SettingsTemporary() {
	if (fFile < 0) return;
	// Removed while still locked, so that no cleaner can take the name's
	// next owner for this one.
	if (!fPath.empty()) unlink(fPath.c_str());
	close(fFile);
}

int SettingsTemporary::Replace(const std::string& target, const void* data, size_t size,
                               const struct stat* old) {
	const char* bytes = static_cast<const char*>(data);
	while (size > 0) {
		const ssize_t written = write(fFile, bytes, size);
		if (written < 0 && errno == EINTR) continue;
		if (written < 0) return errno;
		bytes += written;
		size -= size_t(written);
	}
	if (old != nullptr && fchmod(fFile, old->st_mode & 07777) != 0) return errno;
	if (fsync(fFile) != 0) return errno;
	if (rename(fPath.c_str(), target.c_str()) != 0) return errno;
	fPath.clear();
	return 0;
}

void SettingsTemporary::RemoveStale(const std::string& folder, const std::string& name) {
	DIR* entries = opendir(folder.c_str());
	if (entries == nullptr) return;
	while (const dirent* entry = readdir(entries)) {
		const std::string entryName = entry->d_name;
		const bool legacy = IsLegacy(entryName, name);
		if (legacy || IsOurs(entryName)) RemoveIfStale(folder + "/" + entryName, legacy);
	}
	closedir(entries);
}
