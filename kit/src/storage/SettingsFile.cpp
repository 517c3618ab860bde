#include <SettingsFile.h>

#include <FindDirectory.h>

#include <cerrno>
#include <climits>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "storage/SettingsReadLog.h"
#include "storage/SettingsTemporary.h"
#include "storage/SettingsWriteLog.h"

namespace {

// As many links as the system itself follows in one path.
constexpr int kMostLinks = 40;

std::string FolderOf(const std::string& path) {
	const size_t slash = path.rfind('/');
	if (slash == std::string::npos) return ".";
	return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
	const size_t slash = path.rfind('/');
	return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Replaces `path` with the file its chain of symbolic links ends at, which
// need not exist yet. 0, or the errno value that stopped it.
int FollowLinks(std::string& path) {
	for (int link = 0; link < kMostLinks; ++link) {
		struct stat status;
		if (lstat(path.c_str(), &status) != 0) return errno == ENOENT ? 0 : errno;
		if (!S_ISLNK(status.st_mode)) return 0;
		std::string target(PATH_MAX, '\0');
		const ssize_t length = readlink(path.c_str(), target.data(), target.size());
		if (length < 0) return errno;
		if (size_t(length) == target.size()) return ENAMETOOLONG;
		target.resize(size_t(length));
		path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
	}
	return ELOOP;
}

bool PutAll(int file, const char* bytes, size_t size) {
	for (off_t offset = 0; size > 0;) {
		const ssize_t written = pwrite(file, bytes, size, offset);
		if (written < 0 && errno == EINTR) continue;
		if (written < 0) return false;
		bytes += written;
		offset += written;
		size -= size_t(written);
	}
	return true;
}

size_t GetAll(int file, char* bytes, size_t size) {
	size_t got = 0;
	while (got < size) {
		const ssize_t count = pread(file, bytes + got, size - got, off_t(got));
		if (count < 0 && errno == EINTR) continue;
		if (count <= 0) break;
		got += size_t(count);
	}
	return got;
}

// Puts back what a failed overwrite of a file of `length` bytes changed, as
// far as the failure allows; false when it could not.
bool Restore(int file, const std::vector<char>& old, off_t length) {
	return PutAll(file, old.data(), old.size()) && ftruncate(file, length) == 0;
}

// For a folder that takes no new file, as a plain truncating write would
// have managed: overwrites the file where it is.
int OverwriteInPlace(const std::string& path, const char* data, size_t size) {
	int file = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
	if (file < 0 && errno == EACCES)
		file = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
	if (file < 0) return errno;
	struct stat status;
	int error = fstat(file, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : EINVAL;
	if (error == 0) {
		std::vector<char> old(size);
		old.resize(GetAll(file, old.data(), size));
		if (!PutAll(file, data, size)) {
			error = errno;
			Restore(file, old, status.st_size);
		} else if (ftruncate(file, off_t(size)) != 0 || fsync(file) != 0) {
			error = errno;
		}
	}
	close(file);
	return error;
}

// Makes the rename itself last through a power cut. A folder the user may
// write to but not read cannot be opened for that; the file is written all
// the same.
int SyncFolder(const std::string& folder) {
	const int file = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (file < 0) return 0;
	// Some filesystems have nothing to sync for a folder and say so.
	const int error = fsync(file) == 0 || errno == EINVAL ? 0 : errno;
	close(file);
	return error;
}

// `path` becomes the file written: the host path, its links followed.
int WriteSettingsFile(const char* platformPath, const char* data, size_t size, std::string& path) {
	path = host_path(platformPath);
	if (path.empty()) return ENOENT;
	if (const int error = FollowLinks(path)) return error;

	struct stat old;
	const bool exists = stat(path.c_str(), &old) == 0;
	// A folder, a FIFO or a device where the file should be is never
	// replaced, nor written to.
	if (exists && !S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;

	const std::string folder = FolderOf(path);
	SettingsTemporary::RemoveStale(folder, NameOf(path));
	SettingsTemporary temporary(folder, NameOf(path), exists ? S_IRUSR | S_IWUSR : 0666);
	if (temporary.Error() != 0) return exists ? OverwriteInPlace(path, data, size) : temporary.Error();
	if (const int error = temporary.Replace(path, data, size, exists ? &old : nullptr)) return error;
	return SyncFolder(folder);
}

} // namespace

size_t read_settings_file(const char* platformPath, void* buffer, size_t size) noexcept {
	try {
		const std::string path = host_path(platformPath);
		SettingsReadLog::Record(path);
		// Looked at before it is opened, since opening a device can do
		// something of its own; checked again once open, in case it changed.
		struct stat status;
		if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
		const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
		if (file < 0) return 0;
		size_t got = 0;
		if (fstat(file, &status) == 0 && S_ISREG(status.st_mode))
			got = GetAll(file, static_cast<char*>(buffer), size);
		close(file);
		return got;
	} catch (const std::exception&) {
		return 0;
	}
}

int write_settings_file(const char* platformPath, const void* data, size_t size) noexcept {
	std::string path;
	int error = ENOMEM;
	try {
		error = WriteSettingsFile(platformPath, static_cast<const char*>(data), size, path);
	} catch (const std::exception&) {
		// Out of memory: ENOMEM stands.
	}
	try {
		struct stat status;
		const bool special = error != 0 && stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
		                     !S_ISDIR(status.st_mode);
		SettingsWriteLog::Record(path.empty() && platformPath ? platformPath : path, error,
		                         special ? "not a regular file" : "");
	} catch (const std::exception&) {
		// Only the host's report of it is lost; the write itself went as it went.
	}
	return error;
}
