// The library that runs the meters, as a plug-in library finds and loads it.
#pragma once

#include <string>

#include "MeterApi.h"

// Loaded once for the process and never closed: the kit's threads live on.
struct MeterLibrary {
	VuMeterStart start;
	VuMeterEnd end;
	VuMeterRender render;
	VuMeterClear clear;
	VuMeterPrefs prefs;
	VuMeterAbout about;

	// The library of the tree this plug-in file belongs to, found from the
	// file itself with links followed. Null with `error` set to one line when
	// it cannot be loaded or is of another build. [Audacious's main thread]
	static const MeterLibrary* Load(std::string& error);
};
