// A one-line report instead of a core dump when an add-on crashes while the
// host runs code of its own in it.
#pragma once

#include <csignal>
#include <string>

// While it lives, a crash signal (segmentation fault, bus error, arithmetic
// error, illegal instruction, abort) in any thread writes "PROGRAM: MESSAGE
// (signal N)" to standard error, PROGRAM as Report() names it, and ends the
// process with status 1. Nothing else is safe once an add-on has corrupted
// the process. One at a time.
//
// [the thread that calls the add-on]
class CrashReport {
public:
	explicit CrashReport(const std::string& message);
	~CrashReport(); // the previous handlers come back

	CrashReport(const CrashReport&) = delete;
	CrashReport& operator=(const CrashReport&) = delete;

private:
	struct sigaction previous_[5];
};
