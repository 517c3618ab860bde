#include "CheckContext.h"

#include "ReportPipe.h"

void CheckContext::Fail(const std::string& what) {
	failed_ = true;
	ReportPipe::Send("fail", what);
}

void CheckContext::Warn(const std::string& what) {
	warned_ = true;
	ReportPipe::Send("warning", what);
}

void CheckContext::Step(const std::string& what) { ReportPipe::Send("step", what); }

bool CheckContext::Expect(bool condition, const std::string& what) {
	if (!condition) Fail(what);
	return condition;
}

CheckOutcome CheckContext::Outcome() const {
	if (failed_) return CheckOutcome::Fail;
	return warned_ ? CheckOutcome::Warning : CheckOutcome::Pass;
}
