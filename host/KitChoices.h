// What a host tells the kit before any add-on loads: the settings folder and
// the display, from the variables every host offers its users
// (VUMETERS_SETTINGS_DIR, VUMETERS_HEADLESS, VUMETERS_SCREEN) and what the
// host's own options add. The kit itself reads none of them.
#pragma once

#include <optional>
#include <string>
#include <utility>

struct KitChoices {
	// $VUMETERS_SETTINGS_DIR, else the folder "vu-meters" in the user's
	// configuration folder.
	std::string settingsFolder;
	// Whether settingsFolder was named, by the variable or by the host,
	// rather than the user's own.
	bool namedFolder = false;
	// The add-ons get a private copy of settingsFolder, which the run leaves
	// as it is (a host's own choice; never from the environment).
	bool privateSettings = false;
	// VUMETERS_HEADLESS=1: draw in memory even with a display.
	bool headless = false;
	// The headless screen: VUMETERS_SCREEN=WxH when it is one; none leaves
	// the kit's own size.
	std::optional<std::pair<int, int>> screen;

	// [main thread] Reads the environment; like getenv(), not while another
	// thread calls setenv().
	static KitChoices FromEnvironment();
	// [main thread] Before the first window exists.
	void Apply() const;
};
