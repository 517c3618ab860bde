// Watches the meter process's calls into its add-on: one that crashes is
// named in a line, and one that does not return within its time ends the
// process, so that the player learns which call failed and why.
#pragma once

#include <chrono>
#include <string>

// The lines, on standard error, each starting with the report name:
//   "PATH: the add-on crashed in CALL (signal N)"
//   "PATH: the add-on did not return from CALL within N seconds; its settings are not saved"
// after which the process ends with status 1. A crash outside a marked call
// on the main thread is "PATH: the add-on crashed (signal N)". A fault
// signal sent by another process ends the process by that signal, unnamed.
class CallWatch {
public:
	// For the rest of the process: the crash handlers and the watching
	// thread. [main thread, once, before the add-on loads]
	static void Start(const std::string& addonPath, std::chrono::seconds patience);

	// While it lives, the main thread is inside `call` (a literal). Not nested.
	// [main thread]
	class Scope {
	public:
		explicit Scope(const char* call);
		~Scope();

		Scope(const Scope&) = delete;
		Scope& operator=(const Scope&) = delete;
	};
};
