// One meter running beside Audacious, for as long as its plug-in is enabled:
// the meter every player shares (PlayerMeter), acting on Audacious.
#pragma once

#include <memory>
#include <string>

#include <libaudcore/mainloop.h>

#include "feed/PlayerControls.h"
#include "feed/PlayerMeter.h"
#include "host/Expected.h"

class MeterFeed;

// [Audacious's main thread] Every call.
class AudaciousMeter final : public PlayerControls {
public:
	struct Setup {
		std::string addon; // the add-on's name, as the meter process takes it
		std::string title; // the plug-in's name, in Audacious's messages
		void (*disable)(); // asks Audacious to disable the plug-in, later
	};

	// Starts the meter (see PlayerMeter::Start), with the files of every
	// playlist as the player's inputs.
	static Expected<std::unique_ptr<AudaciousMeter>> Start(const Setup& setup, MeterFeed& feed);
	~AudaciousMeter() override;

	void Prefs() { meter_->Prefs(); }
	void About() { meter_->About(); }

	void TogglePause() override;
	void SeekBy(int64_t ms) override;
	void Disable() override;
	void Show(const std::string& line) override;
	void Log(const std::string& line, bool detail) override;

private:
	explicit AudaciousMeter(Setup setup) : setup_(std::move(setup)) {}

	Setup setup_;
	std::unique_ptr<PlayerMeter> meter_;
	QueuedFunc poll_; // takes what the meter says
	bool disabling_ = false;
};
