// One meter running beside Qmmp, for as long as its plug-in is enabled: the
// meter every player shares (PlayerMeter), acting on Qmmp.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QTimer>

#include "feed/PlayerControls.h"
#include "feed/PlayerMeter.h"
#include "host/Expected.h"

class MeterFeed;
class PlayerClock;

// [Qmmp's main thread] Every call.
class QmmpMeter final : public PlayerControls {
public:
	struct Setup {
		std::string addon;             // the add-on's name, as the meter process takes it
		std::string title;             // the plug-in's name, in Qmmp's messages
		std::function<void()> disable; // asks Qmmp to disable the plug-in, later
	};

	// Starts the meter (see PlayerMeter::Start), with the local files of
	// every playlist as the player's inputs. `clock` tells where a seek starts from.
	static Expected<std::unique_ptr<QmmpMeter>> Start(const Setup& setup, MeterFeed& feed,
	                                                  PlayerClock& clock);
	~QmmpMeter() override;

	void Prefs() { meter_->Prefs(); }
	void About() { meter_->About(); }

	void TogglePause() override;
	void SeekBy(int64_t ms) override;
	void Disable() override;
	void Show(const std::string& line) override;
	void Log(const std::string& line, bool detail) override;

private:
	QmmpMeter(Setup setup, PlayerClock& clock) : setup_(std::move(setup)), clock_(clock) {}

	Setup setup_;
	PlayerClock& clock_;
	std::unique_ptr<PlayerMeter> meter_;
	QTimer poll_; // takes what the meter says
	std::vector<QMetaObject::Connection> nudges_;
	bool disabling_ = false;
};
