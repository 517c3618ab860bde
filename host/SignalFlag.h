// Signals that only raise a flag, for a program to end the normal way.
#pragma once

#include <stop_token>
#include <string>

// The handler keeps the first of the signals that came; the program looks at
// it in its waits and loops, and cleans up before it ends.
class SignalFlag {
public:
	enum class Restart {
		Yes, // calls the signal interrupts go on: the libraries' reads and writes need not expect EINTR
		No   // they fail with EINTR, so that a wait ends at once
	};

	// For the rest of the process, every signal whose default action ends the
	// process and that is sent to ask for an end: SIGHUP, SIGINT, SIGQUIT,
	// SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO, SIGPWR,
	// SIGSTKFLT, SIGXCPU and the real-time signals. SIGQUIT then leaves no
	// core: the end is a clean one. Not the faults (SIGSEGV, SIGBUS, SIGFPE,
	// SIGILL, SIGABRT, SIGSYS, SIGTRAP), which come from the code itself, nor
	// SIGPIPE and SIGXFSZ, which a program ignores to see its writes fail. A
	// handler that another part of the process installed first (a
	// profiler's) is kept. Processes started with exec get the default
	// actions back. [main thread, before other threads]
	static void CatchEnding(Restart restart);
	// The first signal that came, or 0. [any thread]
	static int Signal();
	// How many of those signals have come, each counted. [any thread]
	static int Count();
	// A token whose stop is requested once one of those signals has come,
	// for the waits that must end then. A handler may not request it itself:
	// a thread of its own, started by the first call, does, a moment after
	// Signal() tells of the signal. Never stops without CatchEnding().
	// [any thread]
	static std::stop_token StopToken();
	// "SIGTERM" or "SIGRTMIN+2", or "" before any came. [any thread]
	static std::string Name();
};
