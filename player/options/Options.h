// What the command line of vuplay asks for, as OptionsParser reads it: what
// each part of the run takes, handed to it as it is, and what main decides.
#pragma once

#include <string>
#include <vector>

#include "KitOptions.h"
#include "PlayerOptions.h"
#include "session/SessionOptions.h"

// --headless is in each part, --verbose in the session and the player; the
// parser sets every copy.
struct Options {
	KitOptions kit;         // the settings folder and the headless screen
	SessionOptions session; // the add-ons, the script, the trace and the recording
	PlayerOptions player;   // how the sound is read and paced

	std::vector<std::string> files; // played in turn; none plays the demo piece
	bool capture = false;           // live input: --capture or --monitor
	std::string captureDevice;      // empty: the default capture device
	bool monitor = false;           // the sound server's monitor of the default output
	bool alert = false;             // a failure shows in an alert box too (FailureAlert)
	bool listPlugins = false;       // list the add-ons instead of playing
	bool listDevices = false;       // list the sound devices instead of playing
};
