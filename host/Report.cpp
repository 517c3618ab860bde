#include "host/Report.h"

#include <cstdio>
#include <sstream>

#include "host/Printable.h"

namespace {

const char* gProgram = "vu-meters"; // a literal, never freed
void (*gCopy)(const std::string& line) = nullptr;

} // namespace

void SetReportName(const char* program) { gProgram = program; }

const char* ReportName() { return gProgram; }

void CopyReports(void (*copy)(const std::string& line)) { gCopy = copy; }

void Report(const std::string& message) {
	const std::string line = Printable(message);
	std::fprintf(stderr, "%s: %s\n", gProgram, line.c_str());
	if (gCopy) gCopy(line);
}

void ReportLines(const std::string& lines) {
	std::istringstream stream(lines);
	std::string text = std::string(gProgram) + ": ";
	for (std::string line; std::getline(stream, line);) {
		text += Printable(line) + "\n";
		if (gCopy) gCopy(Printable(line));
	}
	std::fputs(text.c_str(), stderr);
}
