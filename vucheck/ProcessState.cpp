#include "ProcessState.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>

#include <OS.h>

namespace {

int CountEntries(const char* folder) {
	DIR* dir = opendir(folder);
	if (!dir) return -1;
	int count = 0;
	while (dirent* entry = readdir(dir))
		if (entry->d_name[0] != '.') count++;
	closedir(dir);
	return count;
}

} // namespace

ProcessState ProcessState::Now() {
	ProcessState state;
	state.threads = CountEntries("/proc/self/task");
	// Less the descriptor of the listing itself.
	state.openFiles = CountEntries("/proc/self/fd") - 1;
	std::ifstream statm("/proc/self/statm");
	int64_t size = 0;
	int64_t resident = 0;
	statm >> size >> resident;
	state.residentBytes = resident * sysconf(_SC_PAGESIZE);
	return state;
}

std::vector<std::string> ProcessState::ThreadNames() {
	std::vector<std::string> names;
	DIR* dir = opendir("/proc/self/task");
	if (!dir) return names;
	while (dirent* entry = readdir(dir)) {
		if (entry->d_name[0] == '.') continue;
		std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
		std::string name;
		std::getline(comm, name);
		names.push_back(name);
	}
	closedir(dir);
	return names;
}

int ProcessState::WaitForThreads(int threads, int64_t timeoutMicroseconds) {
	const bigtime_t deadline = system_time() + timeoutMicroseconds;
	int now = Now().threads;
	while (now > threads && system_time() < deadline) {
		snooze(2000);
		now = Now().threads;
	}
	return now;
}
