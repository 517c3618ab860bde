// --alert: a failure also shows in an alert box, for a launcher that shows no
// terminal, such as a desktop's menu, where standard error goes unread.
#pragma once

#include <stop_token>

// The lines reported from Watch() on (warnings included, the last few of them)
// are shown in the kit's alert box with one OK button when the run fails, and
// vuplay waits until it is answered or a stop is requested. Nothing shows
// without a display to show it on (no DISPLAY, --headless), as nobody could
// answer it there.
//
// [main thread] Every call.
class FailureAlert {
public:
	// Whether the command line has --alert, looked for before it is parsed,
	// so that a bad command line shows too (up to "--", after which a word
	// is a file).
	static bool Asked(int argc, char** argv);
	// Keeps every line reported from now on. Before other threads start.
	static void Watch();
	// Shows the lines kept and waits until the box is answered or a stop is
	// requested of `stop`. The kit's display is chosen by then.
	static void Show(std::stop_token stop);
};
