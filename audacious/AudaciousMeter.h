// One meter running beside Audacious, for as long as its plug-in is enabled:
// its add-on in a meter process, fed every block as it is heard, and what the
// meter window posts acting on Audacious.
#pragma once

#include <memory>
#include <string>

#include <libaudcore/mainloop.h>

#include "feed/MeterProcess.h"
#include "host/Expected.h"

class MeterFeed;

// Life: Start (the meter process runs, its window open at its saved frame;
// the feed enabled) → blocks from the feed → destructor (the meter process
// ends, which writes the settings). A pause leaves the meter where it is, as
// no block comes; after a stop it falls to rest.
//
// Keys passed on from the meter window: space pauses and resumes (or starts
// playing), the arrows seek 5 s. A meter closed in its window (close box, q,
// Escape), or whose process failed, asks Audacious to disable the plug-in,
// which then deletes this object; a failure is said once, on standard error
// and in Audacious's message.
//
// [Audacious's main thread] Every call.
class AudaciousMeter {
public:
	struct Setup {
		std::string addon;         // the add-on's name, as the meter process takes it
		std::string title;         // the plug-in's name, in Audacious's messages
		std::string traceVariable; // names the file the drawing trace goes to, if set
		void (*disable)();         // asks Audacious to disable the plug-in, later
	};

	// Starts the meter process and adds it to `feed`; fails with the line
	// that says why (on standard error already).
	static Expected<std::unique_ptr<AudaciousMeter>> Start(const Setup& setup, MeterFeed& feed);
	~AudaciousMeter();

	AudaciousMeter(const AudaciousMeter&) = delete;
	AudaciousMeter& operator=(const AudaciousMeter&) = delete;

	// The add-on's own preferences window and about box.
	void Prefs() { process_->Prefs(); }
	void About() { process_->About(); }

private:
	AudaciousMeter(Setup setup, MeterFeed& feed, std::unique_ptr<MeterProcess> process);

	void HandleEvents();
	void Act(meter_protocol::Key key);
	// The meter is gone: Audacious is asked to disable the plug-in.
	void Closed();
	void Show(const std::string& line) const;

	Setup setup_;
	MeterFeed& feed_;
	std::unique_ptr<MeterProcess> process_;
	QueuedFunc poll_; // takes what the meter says
	bool closed_ = false;
};
