// One meter running for a player plug-in, for as long as the plug-in is
// enabled: its add-on in a meter process, fed every block as it is heard, and
// what the meter window posts acting on the player. The part every player
// shares; what is the player's own comes in through PlayerControls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/Expected.h"

#include "MeterProcess.h"

class MeterFeed;
class PlayerControls;

// Life: Start (the meter process runs, its window open at its saved frame)
// → blocks from the feed → destructor (the meter process ends, which writes
// the settings). A pause leaves the meter where it is, as no block comes;
// after a stop it falls to rest.
//
// Keys passed on from the meter window: space pauses and resumes (or starts
// playing), the arrows seek 5 s. A meter closed in its window (close box, q,
// Escape), or whose process failed, asks the player to disable the plug-in,
// which then deletes this object; a failure is said once, on standard error
// and in the player's message.
//
// [player's main thread] Every call.
class PlayerMeter {
public:
	struct Setup {
		std::string addon; // the add-on's name, as the meter process takes it
		// The meter process's file: beside the plug-in's library (LibraryFolder).
		std::string program;
		// The files the player plays (its playlists), which no trace may write over.
		std::vector<std::string> inputs;
		// How the player names the blocks it hands over, in the log: "Audacious".
		std::string player;
	};

	// Starts the meter process and adds it to `feed`; fails with the line
	// that says why (on standard error already). `controls` must outlive it.
	static Expected<std::unique_ptr<PlayerMeter>> Start(const Setup& setup, MeterFeed& feed,
	                                                    PlayerControls& controls);
	~PlayerMeter();

	PlayerMeter(const PlayerMeter&) = delete;
	PlayerMeter& operator=(const PlayerMeter&) = delete;

	// Takes what the meter said since the last call and acts on it; the
	// player calls it a few times a second.
	void HandleEvents();
	// The add-on's own preferences window and about box.
	void Prefs() { process_->Prefs(); }
	void About() { process_->About(); }

	// The variable that names a meter's drawing trace: VUMETERS_CORVEL_TRACE.
	static std::string TraceVariable(const std::string& addon);

private:
	PlayerMeter(Setup setup, MeterFeed& feed, PlayerControls& controls,
	            std::unique_ptr<MeterProcess> process);

	void Act(meter_protocol::Key key);
	// The meter is gone: the player is asked to disable the plug-in.
	void Closed();

	Setup setup_;
	MeterFeed& feed_;
	PlayerControls& controls_;
	std::unique_ptr<MeterProcess> process_;
	bool closed_ = false;
};
