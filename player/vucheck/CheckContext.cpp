#include "CheckContext.h"

#include <cstdio>

// The parent reads these lines from the pipe: "fail: ", "warning: " and
// "step: " tell it how to show them.
void CheckContext::Fail(const std::string& what) {
	fFailed = true;
	std::printf("fail: %s\n", what.c_str());
	std::fflush(stdout);
}

void CheckContext::Warn(const std::string& what) {
	fWarned = true;
	std::printf("warning: %s\n", what.c_str());
	std::fflush(stdout);
}

void CheckContext::Step(const std::string& what) {
	std::printf("step: %s\n", what.c_str());
	std::fflush(stdout);
}

bool CheckContext::Expect(bool condition, const std::string& what) {
	if (!condition) Fail(what);
	return condition;
}

CheckOutcome CheckContext::Outcome() const {
	if (fFailed) return CheckOutcome::kFail;
	return fWarned ? CheckOutcome::kWarning : CheckOutcome::kPass;
}
