#include "CheckRunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "CheckContext.h"

namespace {

// Enough of a sanitizer's report to see where it happened.
constexpr size_t kMaximumLines = 40;

[[noreturn]] void ExecCheck(const std::string& program, int number, const std::string& addonPath,
                            uint32_t seed, int output) {
	dup2(output, STDOUT_FILENO);
	dup2(output, STDERR_FILENO);
	close(output);
	const std::string numberText = std::to_string(number);
	const std::string seedText = std::to_string(seed);
	const char* argv[] = {"vucheck",         "--run-check", numberText.c_str(), "--addon",
	                      addonPath.c_str(), "--seed",      seedText.c_str(),   nullptr};
	execv(program.c_str(), const_cast<char* const*>(argv));
	std::fprintf(stderr, "cannot run the check process: %s\n", std::strerror(errno));
	_exit(127);
}

// Keeps failures, warnings and anything that is not a step; of the steps
// only the last one, which says where a crash or a hang happened.
void Collect(const std::string& line, CheckReport& report, std::string& lastStep, bool& sanitizerReport) {
	// A thread sanitizer report lets the process go on and end well; a
	// sanitizer that catches a crash ends the process with an exit status
	// instead of the signal, which is taken from its report.
	if (line.find("WARNING: ThreadSanitizer:") != std::string::npos ||
	    line.find("ERROR: AddressSanitizer:") != std::string::npos)
		sanitizerReport = true;
	if (const size_t at = line.find("Sanitizer: "); at != std::string::npos)
		for (const char* signal : {"SEGV", "BUS", "FPE", "ILL", "ABRT"})
			if (line.compare(at + 11, std::strlen(signal) + 1, std::string(signal) + " ") == 0)
				report.signalName = std::string("SIG") + signal;
	if (line.rfind("step: ", 0) == 0) {
		lastStep = line.substr(6);
		return;
	}
	if (report.lines.size() < kMaximumLines) report.lines.push_back(line);
}

} // namespace

CheckReport RunCheckProcess(int number, const std::string& addonPath, uint32_t seed, double timeoutSeconds) {
	CheckReport report;
	const auto start = std::chrono::steady_clock::now();
	int pipeEnds[2];
	if (pipe(pipeEnds) != 0) {
		report.lines.push_back(std::string("cannot make a pipe: ") + std::strerror(errno));
		return report;
	}
	// The program's own path rather than /proc/self/exe, so that its threads
	// carry its name.
	std::error_code ignored;
	const std::string program = std::filesystem::read_symlink("/proc/self/exe", ignored).string();
	const pid_t child = fork();
	if (child == 0) {
		close(pipeEnds[0]);
		ExecCheck(program, number, addonPath, seed, pipeEnds[1]);
	}
	close(pipeEnds[1]);
	if (child < 0) {
		close(pipeEnds[0]);
		report.lines.push_back(std::string("cannot start a process: ") + std::strerror(errno));
		return report;
	}

	const auto deadline = start + std::chrono::duration<double>(timeoutSeconds);
	std::string pending;
	std::string lastStep;
	bool sanitizerReport = false;
	bool timedOut = false;
	for (;;) {
		const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
		    deadline - std::chrono::steady_clock::now());
		if (left.count() <= 0) {
			timedOut = true;
			break;
		}
		pollfd readable{pipeEnds[0], POLLIN, 0};
		if (poll(&readable, 1, int(left.count())) <= 0) continue;
		char buffer[4096];
		const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
		if (got <= 0) break;
		pending.append(buffer, size_t(got));
		for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
			Collect(pending.substr(0, end), report, lastStep, sanitizerReport);
	}
	close(pipeEnds[0]);
	if (!pending.empty()) Collect(pending, report, lastStep, sanitizerReport);
	if (timedOut) kill(child, SIGKILL);
	int status = 0;
	waitpid(child, &status, 0);
	report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

	if (timedOut) {
		report.kind = CheckKind::kTimeout;
	} else if (WIFSIGNALED(status)) {
		report.kind = CheckKind::kCrash;
		const char* name = sigabbrev_np(WTERMSIG(status));
		report.signalName = name ? std::string("SIG") + name : "signal " + std::to_string(WTERMSIG(status));
	} else if (WEXITSTATUS(status) == int(CheckOutcome::kPass)) {
		report.kind = CheckKind::kPass;
	} else if (WEXITSTATUS(status) == int(CheckOutcome::kWarning)) {
		report.kind = CheckKind::kWarning;
	} else {
		report.kind = CheckKind::kFail;
	}
	if (!timedOut && !WIFSIGNALED(status) && !report.signalName.empty())
		report.kind = CheckKind::kCrash;
	else if (sanitizerReport && (report.kind == CheckKind::kPass || report.kind == CheckKind::kWarning))
		report.kind = CheckKind::kFail;
	if (report.kind == CheckKind::kCrash || report.kind == CheckKind::kTimeout)
		if (!lastStep.empty()) report.lines.push_back("during: " + lastStep);
	return report;
}

const char* KindName(CheckKind kind) {
	switch (kind) {
	case CheckKind::kPass:
		return "pass";
	case CheckKind::kFail:
		return "fail";
	case CheckKind::kCrash:
		return "crash";
	case CheckKind::kTimeout:
		return "timeout";
	case CheckKind::kWarning:
		return "warning";
	}
	return "fail";
}
