#include "Report.h"

#include <cstdio>

#include <sstream>

#include "host/Printable.h"

void Report(const std::string& message) { std::fprintf(stderr, "vuplay: %s\n", Printable(message).c_str()); }

void ReportLines(const std::string& lines) {
	std::istringstream stream(lines);
	std::string text = "vuplay: ";
	for (std::string line; std::getline(stream, line);)
		text += Printable(line) + "\n";
	std::fputs(text.c_str(), stderr);
}
