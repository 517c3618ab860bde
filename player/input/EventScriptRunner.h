// The scripted events of a run, each applied before the Render call it names.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "input/EventScript.h"

class BWindow;

// The script's events in block order: Next() hands over each one when its
// block comes. Events that act as the user (on the meter window, its menu,
// the preferences) are applied through UserInput by Apply(); the player's own
// requests (stop, start, prefs, about) are the caller's to carry out. An
// event that cannot be applied is reported, "vuplay: SCRIPT:LINE: reason",
// and fails the run once it is over.
//
// [player thread] Every call.
class EventScriptRunner {
public:
	// Reads the script at `path`, a pipe's until a stop is requested of
	// `stop`; an empty path is a script without events. Fails with one line
	// when it cannot be read.
	Expected<void> Load(const std::string& path, std::stop_token stop);
	// The script's path; empty for none.
	const std::string& Path() const { return path_; }
	// The next event of a block up to `block` not handed over yet, which
	// counts as applied from now on; null when there is none. Valid until
	// the runner is gone.
	const ScriptEvent* Next(int64_t block);
	// Applies `event`, one that acts as the user, on `window`, the meter
	// window of the add-on the script follows (null when it has none).
	void Apply(const ScriptEvent& event, BWindow* window);
	// Whether an event of block `block` is left, the only one that can still
	// come to resume a run paused before it.
	bool HasEventFor(int64_t block) const { return next_ < events_.size() && events_[next_].block <= block; }
	// Once the run is over after `blocks` blocks: an event it never reached
	// could not be applied either, and is reported with its line (the first
	// one, with how many more there are).
	void ReportUnreached(int64_t blocks);
	// Whether an event could not be applied.
	bool Failed() const { return failed_; }

private:
	std::string path_;
	std::vector<ScriptEvent> events_;
	size_t next_ = 0;
	bool failed_ = false;
};
