// How one check of one add-on ended, as vucheck reports it.
#pragma once

#include <string>
#include <vector>

enum class CheckKind { Pass, Fail, Crash, Timeout, Warning };

struct CheckReport {
	CheckKind kind = CheckKind::Fail;
	std::string signalName;         // for Crash
	std::vector<std::string> lines; // what the check printed, to show the user
	double seconds = 0;
};

// "pass", "fail", "crash", "timeout", "warning".
const char* KindName(CheckKind kind);
