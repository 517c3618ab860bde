// Whether what the player prints still arrives.
#pragma once

#include <string>

#include "host/Expected.h"

// Whether standard output still takes what is printed: a closed pipe (SIGPIPE
// is ignored) or a full disk is reported, once, and fails the run.
// [player thread]
bool StdoutWritable();
// Writes `text` to standard output and flushes it; false, said as above, when
// it did not all arrive. [main thread]
bool PrintWhole(const std::string& text);

// Gives standard output to a recording to "-": from here on what the player
// and the add-ons print goes to standard error, so that standard output
// carries nothing but the recording. The descriptor the recording writes to,
// which stays open for the run; fails with one line when it cannot.
// [main thread] Before any other thread starts.
Expected<int> ReserveStandardOutputForRecording();
