// The scripted events of a run, each applied before the Render call it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/EventScript.h"

class BWindow;

// Events that act as the user on the meter window go through UserInput; the
// player's own requests (stop, start, prefs, about) go to the target. An
// event that cannot be applied is reported, "vuplay: SCRIPT:LINE: reason",
// and fails the run once it is over.
//
// [player thread] Every call.
class EventScriptRunner {
public:
	// What the player's own requests act on: the add-on the script follows.
	class Target {
	public:
		virtual ~Target() = default;
		virtual void StopFollowed() = 0;
		virtual void StartFollowed() = 0;
		virtual void PrefsOfFollowed() = 0;
		virtual void AboutOfFollowed() = 0;
		// The followed add-on's meter window; null when it has none.
		virtual BWindow* FollowedWindow() = 0;
	};

	// Reads the script at `path`; an empty path is a script without events.
	// False with `error` set to one line when it cannot be read.
	bool Load(const std::string& path, std::string& error);
	// Applies every event of a block up to `block` not applied yet.
	void ApplyUpTo(int64_t block, Target& target);
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
	void Apply(const ScriptEvent& event, Target& target);

	std::string path_;
	std::vector<ScriptEvent> events_;
	size_t next_ = 0;
	bool failed_ = false;
};
