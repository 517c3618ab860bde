#include "host/Report.h"

#include <cstdio>

namespace {

const char* gProgram = "vu-meters"; // a literal, never freed

} // namespace

void SetReportName(const char* program) { gProgram = program; }

const char* ReportName() { return gProgram; }

void Report(const std::string& message) { std::fprintf(stderr, "%s: %s\n", gProgram, message.c_str()); }
