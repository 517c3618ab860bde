// How a host program tells the user of a failure or a warning: one line on
// standard error, "PROGRAM: MESSAGE".
#pragma once

#include <string>

// The name that starts every line from now on: "vuplay", "vucheck", the
// Audacious plug-in's own. [main thread, before other threads start]
void SetReportName(const char* program);
// The name set; "vu-meters" before any. [any thread]
const char* ReportName();
// [any thread]
void Report(const std::string& message);
