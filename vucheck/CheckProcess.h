// The hidden check mode: the child process that runs one check.
#pragma once

#include <cstdint>
#include <string>

#include "CheckContext.h"

// [main thread] Sets up the headless display, runs check `number` with
// `settingsFolder` (empty: a temporary folder of its own, removed after)
// as the add-on's settings folder, and returns the outcome. Never returns
// normally into static destruction: the caller reports the outcome and
// _exit()s, as kit threads may still be winding down.
CheckOutcome RunCheckInThisProcess(int number, const std::string& addonPath, uint32_t seed,
                                   const std::string& settingsFolder);
