#include "storage/SettingsWriteLog.h"

#include <kit/UnsavedSettings.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex sLock;
// Guarded by sLock: every file written since the last take, with an empty
// reason once written.
std::vector<kit::UnsavedSettings> sWrites;

} // namespace

void SettingsWriteLog::Record(const std::string& path, int error, const std::string& reason) {
	std::lock_guard guard(sLock);
	auto entry = std::find_if(sWrites.begin(), sWrites.end(),
	                          [&path](const kit::UnsavedSettings& write) { return write.path == path; });
	if (entry == sWrites.end()) entry = sWrites.insert(sWrites.end(), {path, {}});
	entry->reason = error == 0 ? "" : reason.empty() ? std::strerror(error) : reason;
}

std::vector<kit::UnsavedSettings> kit::TakeUnsavedSettings() {
	std::vector<UnsavedSettings> writes;
	{
		std::lock_guard guard(sLock);
		writes.swap(sWrites);
	}
	std::erase_if(writes, [](const UnsavedSettings& write) { return write.reason.empty(); });
	return writes;
}
