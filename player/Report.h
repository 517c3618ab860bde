// How the player tells the user of a failure or a warning: one line on
// standard error, "vuplay: MESSAGE", whatever names it holds: their control
// characters are shown as escapes (see Printable).
#pragma once

#include <string>

// [any thread]
void Report(const std::string& message);
