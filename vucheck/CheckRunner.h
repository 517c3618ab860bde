// Runs one check of one add-on in a child process (this program again, in
// its hidden check mode) and tells how it ended.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "CheckReport.h"

// [main thread] Blocks until the check ends or `timeoutSeconds` pass, when
// the child is killed; it is killed as soon as a stop is requested of `stop`
// (a signal came: SignalFlag::StopToken()).
// The check's settings folder is made in $TMPDIR (else /tmp) and removed
// once the child has ended, however it ended.
CheckReport RunCheckProcess(int number, const std::string& addonPath, uint32_t seed, double timeoutSeconds,
                            std::stop_token stop);
