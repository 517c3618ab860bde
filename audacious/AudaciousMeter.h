// One meter running beside Audacious, for as long as its plug-in is enabled:
// the meter every player shares (PlayerMeter), acting on Audacious.
#pragma once

#include <memory>
#include <string>

#include <libaudcore/hook.h>
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
	AudaciousMeter(Setup setup, MeterFeed& feed) : setup_(std::move(setup)), feed_(feed) {}

	// Audacious tells of a pause, a resume, a seek or a stop as it happens:
	// the feed reads its clock at once, so that the meter stops or goes on
	// with the sound.
	void Nudge();

	Setup setup_;
	MeterFeed& feed_;
	std::unique_ptr<PlayerMeter> meter_;
	HookReceiver<AudaciousMeter> paused_{"playback pause", this, &AudaciousMeter::Nudge};
	HookReceiver<AudaciousMeter> resumed_{"playback unpause", this, &AudaciousMeter::Nudge};
	HookReceiver<AudaciousMeter> sought_{"playback seek", this, &AudaciousMeter::Nudge};
	HookReceiver<AudaciousMeter> stopped_{"playback stop", this, &AudaciousMeter::Nudge};
	QueuedFunc poll_; // takes what the meter says
	bool disabling_ = false;
};
