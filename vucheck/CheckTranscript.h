// What a check process said, on its report pipe and on its output, and the
// verdict drawn from that and from the way the process ended.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "CheckOutcome.h"
#include "CheckReport.h"

// [main thread] Every call.
class CheckTranscript {
public:
	// A line from the report pipe, without its line break.
	void AddReportLine(const std::string& line);
	// A line the process printed: the add-on's, a sanitizer's.
	void AddOutputLine(const std::string& line);

	// `status` is what waitpid gave, unless `timedOut`. A check passes only
	// when its process said it finished, outside any call into the add-on,
	// and then ended with that outcome.
	CheckReport Verdict(int status, bool timedOut, double seconds) const;

private:
	void Keep(const std::string& line, size_t& kept);
	// The calls into the add-on in progress and the check's last step, as
	// "in Init, during: cycle 1: Init"; empty when neither is known.
	std::string Place() const;

	CheckReport report_;
	size_t reasonLines_ = 0;
	size_t outputLines_ = 0;
	bool heardFrom_ = false;
	bool sanitizerReport_ = false;
	std::string lastStep_;
	std::multiset<std::string> calls_;
	std::optional<CheckOutcome> finished_;
};
