// How a host program tells the user of a failure or a warning: one line on
// standard error, "PROGRAM: MESSAGE", whatever names it holds: their control
// characters are shown as escapes (see Printable).
#pragma once

#include <string>

// The name that starts every line from now on: "vuplay", "vucheck", the
// Audacious plug-in's own. [main thread, before other threads start]
void SetReportName(const char* program);
// The name set; "vu-meters" before any. [any thread]
const char* ReportName();
// [any thread]
void Report(const std::string& message);
// A message followed by lines that belong to it, such as a list to choose
// from: each line shown as Printable shows it, the first after "PROGRAM: ".
// [any thread]
void ReportLines(const std::string& lines);
// From now on each line reported is also handed to `copy`, as shown after
// "PROGRAM: ", on the thread that reports it; null for none. [main thread,
// before other threads start]
void CopyReports(void (*copy)(const std::string& line));
