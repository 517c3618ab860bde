// Plays what the command line asks for through the add-ons: the files in
// turn, the demo piece or live input, showing progress on the terminal.
#pragma once

#include <memory>
#include <stop_token>
#include <vector>

#include "PlayerOptions.h"
#include "audio/AudioSource.h"
#include "audio/InputFiles.h"
#include "audio/LiveSource.h"
#include "input/KeyDecoder.h"
#include "input/Terminal.h"
#include "playback/AudioOutput.h"
#include "session/AddonSession.h"

// [player thread] Every call.
class Player {
public:
	// The keys, the files and the sound server are waited for until a stop is
	// requested of `stop`, which the terminal then turns into the Quit key.
	Player(const PlayerOptions& options, AddonSession& addons, std::stop_token stop)
	    : options_(options), addons_(addons), stop_(stop), terminal_(std::move(stop)),
	      secondsLeft_(options.durationSeconds) {}

	Player(const Player&) = delete;
	Player& operator=(const Player&) = delete;

	// Plays `live` when given, else `inputs`, or the demo when there are none;
	// the exit status. A file that fails is reported and the next one plays.
	int PlayAll(std::vector<InputFile>& inputs, LiveSource* live);
	// Gives the terminal back as the player's end does, for a thread that
	// ends the run while the player thread is held inside an add-on's call.
	// [the thread that took over]
	void ReleaseTerminal() { terminal_.Release(); }

private:
	// Plays one source; false when nothing more is to be played: the user
	// quit, or --duration is over.
	bool Play(AudioSource& whole);
	// --keep-open: the windows stay, showing what the sound left, until the
	// user quits or closes the last of them.
	void WaitUntilClosed();
	// The sound device for `sampleRate`, else the clock, said once with why.
	std::unique_ptr<AudioOutput> OpenOutput(int sampleRate);
	// What the source has to say, each on a line of its own.
	void Warn(AudioSource& source);
	// The terminal's keys and those sent from the meter windows; the about box
	// is the add-ons' business.
	std::vector<PlayerKey> Keys();

	const PlayerOptions& options_;
	AddonSession& addons_;
	const std::stop_token stop_;
	Terminal terminal_;
	std::unique_ptr<AudioOutput> output_;
	bool paused_ = false; // as Playback has it: every TogglePause handed over toggles it
	bool toldNoDevice_ = false;
	bool failed_ = false;
	bool quit_ = false;  // the user, a signal or the display ended playing
	double secondsLeft_; // of --duration
};
