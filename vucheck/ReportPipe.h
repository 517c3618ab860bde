// The check process's channel to vucheck: a pipe apart from standard output,
// so that nothing the add-on prints passes for it. Each line is "KIND: TEXT":
// "step", "fail" and "warning" as the check goes, "enter" and "leave" around
// every call into the add-on, and "done" with the outcome as the process's
// very last act. vucheck passes a check only on that last line, written when
// every call the add-on entered has left: a process the add-on ended early
// never reads as a pass, whatever its exit status or what it wrote.
#pragma once

#include <optional>
#include <string_view>

#include "CheckOutcome.h"

// [any thread] Every call but Use(); each line goes out in one write, so
// lines from several threads never mix.
class ReportPipe {
public:
	// [main thread, before the check starts any thread] Reports to `fd`
	// from now on instead of standard output, moved to another descriptor
	// so that the number on the command line no longer leads to it;
	// processes the add-on starts do not inherit it.
	static void Use(int fd);

	// One line; a line break in `text` becomes a space.
	static void Send(std::string_view kind, std::string_view text);
	// The last line of a check process that ran its check to the end.
	static void Finish(CheckOutcome outcome);

	// From now on, every call into add-on code that passes the gate
	// (AddonGate) is an "enter" line as it begins and a "leave" line as it
	// ends, whatever the thread. Allocates nothing per call, so that Render
	// may be gated while allocations are counted. [main thread, once, before
	// the add-on loads]
	static void WatchCalls();

	// The outcome's word in a "done" line, and back.
	static const char* OutcomeWord(CheckOutcome outcome);
	static std::optional<CheckOutcome> OutcomeOfWord(std::string_view word);
};
