#include "FindDirectory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::mutex sOverrideLock;
std::string sOverride; // guarded by sOverrideLock; empty when unset

std::string NonEmptyEnvironment(const char* name) {
	const char* value = std::getenv(name);
	return value != nullptr ? value : "";
}

std::string WithoutTrailingSlashes(std::string path) {
	while (path.size() > 1 && path.back() == '/')
		path.pop_back();
	return path;
}

// Creates `path` and any missing parents, private to the user as XDG asks;
// failures are left for the caller's open to report.
void MakeDirectories(const std::string& path) {
	for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
		mkdir(path.substr(0, slash).c_str(), 0700);
	mkdir(path.c_str(), 0700);
}

} // namespace

std::string home_directory() {
	std::string home = NonEmptyEnvironment("HOME");
	if (!home.empty()) return home;

	// No HOME (a service, a stripped environment): ask the password database.
	long size = sysconf(_SC_GETPW_R_SIZE_MAX);
	std::vector<char> buffer(size > 0 ? size : 16384);
	passwd entry;
	passwd* result = nullptr;
	if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr)
		return result->pw_dir;
	return "";
}

void set_settings_directory(const char* path) {
	std::lock_guard lock(sOverrideLock);
	sOverride = path != nullptr ? path : "";
}

std::string user_config_directory() {
	// XDG asks that a relative XDG_CONFIG_HOME be ignored.
	std::string config = NonEmptyEnvironment("XDG_CONFIG_HOME");
	if (config.empty() || config.front() != '/') config = home_directory() + "/.config";
	return WithoutTrailingSlashes(config);
}

std::string settings_directory() {
	{
		std::lock_guard lock(sOverrideLock);
		if (!sOverride.empty()) return WithoutTrailingSlashes(sOverride);
	}
	return user_config_directory();
}

std::string host_path(const char* platformPath) {
	if (platformPath == nullptr) return "";

	const size_t prefixLength = std::strlen(kPlatformSettingsDirectory);
	if (std::strncmp(platformPath, kPlatformSettingsDirectory, prefixLength) != 0) return platformPath;
	const char* rest = platformPath + prefixLength;
	if (*rest != '\0' && *rest != '/') return platformPath;

	std::string folder = settings_directory();
	MakeDirectories(folder);
	return folder + rest;
}
