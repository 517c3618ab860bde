// Interrupt and termination signals as a request to quit.
#pragma once

// From Install() on, SIGINT and SIGTERM only raise a flag, which the playback
// reads as the Quit key. So the normal way out is always taken: the add-ons
// are stopped and unloaded and write their settings, whether the signal comes
// during their start-up, while playing or while they are being unloaded.
class QuitSignals {
public:
	// For the rest of the process. [main thread, before the add-ons load]
	static void Install();
	// Whether a signal has come. [any thread]
	static bool Received();
};
