#include "CheckTranscript.h"

#include <sys/wait.h>

#include <cstring>

#include "ReportPipe.h"

namespace {

// Enough of a sanitizer's report to see where it happened, and as many of
// the check's own findings.
constexpr size_t kMaximumLines = 40;

bool Take(const std::string& line, const char* kind, std::string& text) {
	const size_t length = std::strlen(kind);
	if (line.compare(0, length, kind) != 0 || line.compare(length, 2, ": ") != 0) return false;
	text = line.substr(length + 2);
	return true;
}

} // namespace

void CheckTranscript::Keep(const std::string& line, size_t& kept) {
	if (kept >= kMaximumLines) return;
	kept++;
	report_.lines.push_back(line);
}

void CheckTranscript::AddReportLine(const std::string& line) {
	heardFrom_ = true;
	std::string text;
	if (Take(line, "step", text)) {
		lastStep_ = text;
	} else if (Take(line, "enter", text)) {
		calls_.insert(text);
	} else if (Take(line, "leave", text)) {
		if (const auto call = calls_.find(text); call != calls_.end()) calls_.erase(call);
	} else if (Take(line, "done", text)) {
		// The check's own end comes once every call into the add-on has
		// left; one from inside a call is the add-on's.
		if (calls_.empty()) finished_ = ReportPipe::OutcomeOfWord(text).value_or(CheckOutcome::Fail);
	} else {
		Keep(line, reasonLines_);
	}
}

void CheckTranscript::AddOutputLine(const std::string& line) {
	// A thread sanitizer report lets the process go on and end well; a
	// sanitizer that catches a crash ends the process with an exit status
	// instead of the signal, which is taken from its report.
	if (line.find("WARNING: ThreadSanitizer:") != std::string::npos ||
	    line.find("ERROR: AddressSanitizer:") != std::string::npos)
		sanitizerReport_ = true;
	if (const size_t at = line.find("Sanitizer: "); at != std::string::npos)
		for (const char* signal : {"SEGV", "BUS", "FPE", "ILL", "ABRT"})
			if (line.compare(at + 11, std::strlen(signal) + 1, std::string(signal) + " ") == 0)
				report_.signalName = std::string("SIG") + signal;
	Keep(line, outputLines_);
}

std::string CheckTranscript::Place() const {
	std::string place;
	for (auto call = calls_.begin(); call != calls_.end(); call = calls_.upper_bound(*call))
		place += (place.empty() ? "in " : " and ") + *call;
	if (!lastStep_.empty()) place += (place.empty() ? "" : ", ") + ("during: " + lastStep_);
	return place;
}

CheckReport CheckTranscript::Verdict(int status, bool timedOut, double seconds) const {
	CheckReport report = report_;
	report.seconds = seconds;
	const std::string place = Place();
	const auto addPlace = [&] {
		if (!place.empty()) report.lines.push_back(place);
	};
	if (timedOut) {
		report.kind = CheckKind::Timeout;
		addPlace();
		return report;
	}
	if (WIFSIGNALED(status)) {
		const char* name = sigabbrev_np(WTERMSIG(status));
		report.signalName = name ? std::string("SIG") + name : "signal " + std::to_string(WTERMSIG(status));
	}
	if (!report.signalName.empty()) {
		report.kind = CheckKind::Crash;
		addPlace();
		return report;
	}
	const int exitStatus = WEXITSTATUS(status);
	const std::string exit = "(exit " + std::to_string(exitStatus) + ")";
	report.kind = CheckKind::Fail;
	if (!heardFrom_) {
		report.lines.push_back("the check process ended before the check began " + exit);
	} else if (!finished_) {
		report.lines.push_back("the add-on ended the process " + exit + (place.empty() ? "" : " " + place));
	} else if (exitStatus != int(*finished_)) {
		report.lines.push_back("the process ended " + exit + " after the check finished");
	} else if (!sanitizerReport_) {
		report.kind = *finished_ == CheckOutcome::Pass      ? CheckKind::Pass
		              : *finished_ == CheckOutcome::Warning ? CheckKind::Warning
		                                                    : CheckKind::Fail;
	}
	return report;
}
