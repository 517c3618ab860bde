// Runs one check of one add-on in a child process (this program again, in
// its hidden check mode) and tells how it ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CheckKind { Pass, Fail, Crash, Timeout, Warning };

struct CheckReport {
	CheckKind kind = CheckKind::Fail;
	std::string signalName;         // for Crash
	std::vector<std::string> lines; // what the check printed, to show the user
	double seconds = 0;
};

// [main thread] Blocks until the check ends or `timeoutSeconds` pass, when
// the child is killed; it is killed at once when SignalFlag caught a signal.
// The check's settings folder is made in $TMPDIR (else /tmp) and removed
// once the child has ended, however it ended.
CheckReport RunCheckProcess(int number, const std::string& addonPath, uint32_t seed, double timeoutSeconds);

// "pass", "fail", "crash", "timeout", "warning".
const char* KindName(CheckKind kind);
