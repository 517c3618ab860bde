// How the player tells the user of a failure or a warning: one line on
// standard error, "vuplay: MESSAGE", whatever names it holds: their control
// characters are shown as escapes (see Printable).
#pragma once

#include <string>

// [any thread]
void Report(const std::string& message);
// A message followed by lines that belong to it, such as a list to choose
// from: each line shown as Printable shows it, the first after "vuplay: ".
// [any thread]
void ReportLines(const std::string& lines);
