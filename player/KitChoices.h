// What the player tells the kit before any add-on loads: the settings folder
// and the display, from the options and from the variables the player offers
// its users (VUMETERS_SETTINGS_DIR, VUMETERS_HEADLESS, VUMETERS_SCREEN). The
// kit itself reads none of them.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "Options.h"

struct KitChoices {
	// --settings-dir, else $VUMETERS_SETTINGS_DIR, else the player's folder in
	// the user's configuration folder.
	std::string settingsFolder;
	// --headless with neither of those: the add-ons get a private copy of
	// settingsFolder, which the run leaves as it is.
	bool privateSettings = false;
	// --headless, or VUMETERS_HEADLESS=1: draw in memory even with a display.
	bool headless = false;
	// The headless screen: --screen with --headless, else VUMETERS_SCREEN=WxH
	// when it is one; none leaves the kit's own size.
	std::optional<std::pair<int, int>> screen;

	// [main thread] Reads the environment; like getenv(), not while another
	// thread calls setenv().
	static KitChoices From(const Options& options);
	// [main thread] Before the first window exists.
	void Apply() const;
};
