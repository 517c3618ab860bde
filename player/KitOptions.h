// The kit choices of a vuplay run: the environment's, and what the command
// line says over them.
#pragma once

#include <string>
#include <utility>

#include "host/KitChoices.h"

// What the command line says of the kit.
struct KitOptions {
	std::string settingsDir;               // --settings-dir; empty when not given
	bool headless = false;                 // --headless
	std::pair<int, int> screen{1280, 800}; // --screen: the headless screen, width and height
};

// --settings-dir over $VUMETERS_SETTINGS_DIR; --headless with neither of
// those gives the add-ons a private copy of the user's folder. --headless
// draws in memory on a screen of --screen's size. [main thread] As
// KitChoices::FromEnvironment().
KitChoices KitChoicesFor(const KitOptions& options);
