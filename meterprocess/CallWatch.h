// Watches the meter process's calls into its add-on for one that does not
// return within its time, which ends the process, so that the player learns
// which call failed and why. (A crash is host/'s CrashReport's.)
#pragma once

#include <chrono>
#include <string>

// A HangWatch for the rest of the process, which follows the gated calls on
// the main thread. One not returned after `patience` (give or
// take a second) is "PROGRAM: PATH: the add-on did not return from CALL
// within N seconds; its settings are not saved" on standard error, after
// which the process ends with status 1.
class CallWatch {
public:
	// For the rest of the process: the observer and its watching thread.
	// [main thread, once, before the add-on loads]
	static void Start(const std::string& addonPath, std::chrono::seconds patience);
};
