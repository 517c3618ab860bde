// What the command line of vuplay asks for, as OptionsParser reads it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio/RawPcm.h"

struct Options {
	std::vector<std::string> plugins; // names AddonLocator finds, or paths to add-ons; never empty
	std::vector<std::string> files;   // played in turn; none plays the demo piece
	bool capture = false;             // live input: --capture or --monitor
	std::string captureDevice;        // empty: the default capture device
	bool monitor = false;             // the sound server's monitor of the default output
	double durationSeconds = 0.0;     // 0: the whole of every source
	double latencyOffsetMs = 0.0;
	bool mute = false;
	bool headless = false;
	bool realtime = false;
	bool verbose = false;
	std::string record; // PATH.y4m, PATH.png, a folder, or "-" for standard output; empty: no recording
	double fps = 30.0;  // 0: one frame per audio block
	int meterWidth = 0; // --size: the first add-on's meter window; 0: as it opens
	int meterHeight = 0;
	bool fullScreen = false; // the first add-on's meter window fills the screen
	bool keepOpen = false;   // the windows stay once the sound has ended, until closed
	bool alert = false;      // a failure shows in an alert box too (FailureAlert)
	int screenWidth = 1280;
	int screenHeight = 800;
	std::string settingsDir; // empty: the add-ons' own default
	std::string events;
	std::string trace;
	bool listPlugins = false; // list the add-ons instead of playing
	bool listDevices = false; // list the sound devices instead of playing

	// Headerless input: --raw FORMAT, --rate, --channels; unset: files have headers.
	std::optional<RawPcm> raw;
};
