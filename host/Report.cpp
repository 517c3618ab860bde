#include "host/Report.h"

#include <cstdio>
#include <sstream>

#include "host/Printable.h"

namespace {

const char* gProgram = "vu-meters"; // a literal, never freed

} // namespace

void SetReportName(const char* program) { gProgram = program; }

const char* ReportName() { return gProgram; }

void Report(const std::string& message) {
	std::fprintf(stderr, "%s: %s\n", gProgram, Printable(message).c_str());
}

void ReportLines(const std::string& lines) {
	std::istringstream stream(lines);
	std::string text = std::string(gProgram) + ": ";
	for (std::string line; std::getline(stream, line);)
		text += Printable(line) + "\n";
	std::fputs(text.c_str(), stderr);
}
