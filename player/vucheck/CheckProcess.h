// The hidden check mode: the child process that runs one check.
#pragma once

#include <cstdint>
#include <string>

// [main thread] Sets up the headless display and a temporary settings
// folder, runs check `number` and returns the exit status that tells the
// parent the outcome. Never returns normally into static destruction: the
// caller _exit()s with the result, as kit threads may still be winding down.
int RunCheckInThisProcess(int number, const std::string& addonPath, uint32_t seed);
