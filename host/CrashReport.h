// A one-line report instead of a core dump when an add-on crashes in its own
// code: an observer of the AddonWatch, asked from the crash handler.
#pragma once

#include <string>

// Once installed, a crash signal (segmentation fault, bus error, arithmetic
// error, illegal instruction, abort) on a thread inside a call the report
// covers writes "PROGRAM: PATH: the add-on crashed in CALL (signal N)" to
// standard error ("crashed while starting" for Init), PROGRAM as Report()
// names it, and ends the process with status 1. Nothing else is safe once an
// add-on has corrupted the process. Any other crash goes to the handler that
// was there before, as does a fault signal another process sent (kill -SEGV).
class CrashReport {
public:
	enum class Covers {
		// The library's steps and Init: a host that reports the rest itself.
		LoadingAndStarting,
		// Every call; a crash outside one is "PROGRAM: PATH: the add-on
		// crashed (signal N)", for a process that runs one add-on and
		// nothing else of note.
		Everything,
	};

	// For the rest of the process; `addonPath` is the one add-on's for
	// Covers::Everything. [main thread, once, before any add-on loads]
	static void Install(Covers covers, const std::string& addonPath = {});
};
