// Signals that only raise a flag, for a program to end the normal way.
#pragma once

#include <initializer_list>
#include <string>

// The handler keeps the first of the signals that came; the program looks at
// it in its waits and loops, and cleans up before it ends.
class SignalFlag {
public:
	enum class Restart {
		Yes, // calls the signal interrupts go on: the libraries' reads and writes need not expect EINTR
		No   // they fail with EINTR, so that a wait ends at once
	};

	// For the rest of the process; processes started with exec get the
	// default actions back. [main thread, before other threads]
	static void Catch(std::initializer_list<int> signals, Restart restart);
	// The first signal that came, or 0. [any thread]
	static int Signal();
	// "SIGTERM", or "" before any came. [any thread]
	static std::string Name();
};
