// Every signal that asks the player to end (hang-up, interrupt, quit,
// termination, the user signals, timers) as a request to quit.
#pragma once

#include <stop_token>
#include <string>

#include "host/SignalFlag.h"

// From Install() on, those signals (see SignalFlag::CatchEnding) only raise a
// flag and request a stop: the token is passed down to every wait of the
// player, and the terminal turns it into the Quit key. So the normal way out is always taken: the add-ons are
// stopped and unloaded and write their settings, whether the signal comes during their start-up, while
// playing or while they are being unloaded.
//
// SIGPIPE and SIGXFSZ are ignored: a closed pipe or a file grown past its
// limit is then a write that fails and is reported, not a silent death.
class QuitSignals {
public:
	// For the rest of the process. [main thread, before the add-ons load]
	static void Install();
	// Whether a quit signal has come. [any thread]
	static bool Received() { return SignalFlag::Signal() != 0; }
	// Stopped once a quit signal has come. [any thread, after Install()]
	static std::stop_token Token() { return SignalFlag::StopToken(); }
	// How many quit signals have come. [any thread]
	static int Count() { return SignalFlag::Count(); }
	// "SIGTERM" for the first quit signal that came. [any thread]
	static std::string Name() { return SignalFlag::Name(); }
	// The exit status of a run that a quit signal ended: 128 + its number,
	// as shells show a program that the signal ended. [any thread]
	static int ExitStatus() { return 128 + SignalFlag::Signal(); }
};
