#include "CheckRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CheckTranscript.h"
#include "host/ScratchFolder.h"

namespace {

// One end of a pipe the check process writes to, read line by line.
struct LineSource {
	int fd = -1;
	std::string pending;
	void (CheckTranscript::*add)(const std::string&);
};

// In the child, between fork and exec: `argv` was made before the fork.
[[noreturn]] void ExecCheck(const std::string& program, const std::vector<const char*>& argv, int output) {
	// vucheck ignores it; the check process runs the add-on as any host would.
	signal(SIGPIPE, SIG_DFL);
	dup2(output, STDOUT_FILENO);
	dup2(output, STDERR_FILENO);
	execv(program.c_str(), const_cast<char* const*>(argv.data()));
	std::fprintf(stderr, "cannot run the check process: %s\n", std::strerror(errno));
	_exit(127);
}

// Reads what is there; false at the end of the pipe.
bool ReadLines(LineSource& source, CheckTranscript& transcript) {
	char buffer[4096];
	const ssize_t got = read(source.fd, buffer, sizeof buffer);
	if (got < 0 && errno == EINTR) return true;
	if (got <= 0) {
		if (!source.pending.empty()) (transcript.*source.add)(source.pending);
		return false;
	}
	source.pending.append(buffer, size_t(got));
	for (size_t end; (end = source.pending.find('\n')) != std::string::npos; source.pending.erase(0, end + 1))
		(transcript.*source.add)(source.pending.substr(0, end));
	return true;
}

enum class Reading { Closed, TimedOut, Interrupted };

// Reads both pipes until the check process and whatever inherited them
// closed them, until `deadline`, or until a stop is requested of `stop`.
template <size_t kCount>
Reading ReadUntilClosed(LineSource (&sources)[kCount], CheckTranscript& transcript,
                        std::chrono::steady_clock::time_point deadline, std::stop_token stop) {
	// A stop requested just before poll() is seen one slice later.
	constexpr std::chrono::milliseconds kSlice(100);
	for (size_t open = kCount; open > 0;) {
		if (stop.stop_requested()) return Reading::Interrupted;
		const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
		    deadline - std::chrono::steady_clock::now());
		if (left.count() <= 0) return Reading::TimedOut;
		pollfd readable[kCount];
		for (size_t i = 0; i < kCount; ++i)
			readable[i] = {sources[i].fd, POLLIN, 0};
		if (poll(readable, kCount, int(std::min(left, kSlice).count())) <= 0) continue;
		for (size_t i = 0; i < kCount; ++i)
			if (sources[i].fd >= 0 && readable[i].revents != 0 && !ReadLines(sources[i], transcript)) {
				close(sources[i].fd);
				sources[i].fd = -1;
				open--;
			}
	}
	return Reading::Closed;
}

CheckReport NotRun(const std::string& why) {
	CheckReport report;
	report.lines.push_back(why);
	return report;
}

} // namespace

CheckReport RunCheckProcess(int number, const std::string& addonPath, uint32_t seed, double timeoutSeconds,
                            std::stop_token stop) {
	const auto start = std::chrono::steady_clock::now();
	// Made and removed here, so that no folder outlives a check process
	// that crashed, hung or was ended by the add-on.
	const Expected<ScratchFolder> folder = ScratchFolder::Make("vucheck");
	if (!folder) return NotRun("cannot make the settings folder: " + folder.Error());
	// Both pipes close on exec but for the report end the check process
	// inherits, a copy numbered above standard error.
	int output[2];
	int report[2];
	if (pipe2(output, O_CLOEXEC) != 0)
		return NotRun(std::string("cannot make a pipe: ") + std::strerror(errno));
	if (pipe2(report, O_CLOEXEC) != 0) {
		close(output[0]);
		close(output[1]);
		return NotRun(std::string("cannot make a pipe: ") + std::strerror(errno));
	}
	const int inherited = fcntl(report[1], F_DUPFD, STDERR_FILENO + 1);
	close(report[1]);

	// The program's own path rather than /proc/self/exe, so that its threads
	// carry its name.
	std::error_code ignored;
	const std::string program = std::filesystem::read_symlink("/proc/self/exe", ignored).string();
	const std::vector<std::string> arguments = {
	    "vucheck",      "--run-check", std::to_string(number),   "--addon",
	    addonPath,      "--seed",      std::to_string(seed),     "--settings-folder",
	    folder->Path(), "--report-fd", std::to_string(inherited)};
	std::vector<const char*> argv;
	for (const std::string& argument : arguments)
		argv.push_back(argument.c_str());
	argv.push_back(nullptr);

	const pid_t child = inherited < 0 ? -1 : fork();
	if (child == 0) ExecCheck(program, argv, output[1]);
	const int forkError = errno;
	close(output[1]);
	if (inherited >= 0) close(inherited);
	LineSource sources[] = {{output[0], {}, &CheckTranscript::AddOutputLine},
	                        {report[0], {}, &CheckTranscript::AddReportLine}};
	if (child < 0) {
		for (const LineSource& source : sources)
			close(source.fd);
		return NotRun(std::string("cannot start a process: ") + std::strerror(forkError));
	}

	CheckTranscript transcript;
	const auto limit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
	    std::chrono::duration<double>(timeoutSeconds));
	const Reading reading = ReadUntilClosed(sources, transcript, start + limit, stop);
	const bool timedOut = reading == Reading::TimedOut;
	for (const LineSource& source : sources)
		if (source.fd >= 0) close(source.fd);
	if (reading != Reading::Closed) kill(child, SIGKILL);
	int status = 0;
	waitpid(child, &status, 0);
	const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
	return transcript.Verdict(status, timedOut, seconds);
}
