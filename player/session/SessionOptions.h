// What the command line asks of the add-ons' session.
#pragma once

#include <string>
#include <vector>

struct SessionOptions {
	std::vector<std::string> addons; // names AddonLocator finds, or paths to add-ons; never empty
	std::string events;              // the event script; empty: none
	std::string trace;               // the drawing trace's file; empty: none
	std::string record;              // what --record writes; empty: no recording
	double fps = 30.0;               // of the recording; 0: one frame per audio block
	int meterWidth = 0;              // the first add-on's meter window made this size; 0: as it opens
	int meterHeight = 0;
	bool fullScreen = false;      // the first add-on's meter window fills the screen
	bool headless = false;        // every window catches up before each block, so that runs repeat
	bool verbose = false;         // what the add-ons send, and the blocks each rendered, on standard output
	int recordingDescriptor = -1; // standard output, kept for a recording to "-"; -1 when not kept
};
