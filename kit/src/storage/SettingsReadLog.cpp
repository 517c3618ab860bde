#include "storage/SettingsReadLog.h"

#include <kit/SettingsInUse.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex sLock;
std::vector<std::string> sRead; // guarded by sLock

} // namespace

void SettingsReadLog::Record(const std::string& path) {
	std::lock_guard guard(sLock);
	if (std::find(sRead.begin(), sRead.end(), path) == sRead.end()) sRead.push_back(path);
}

std::vector<std::string> kit::SettingsFilesRead() {
	std::lock_guard guard(sLock);
	return sRead;
}
