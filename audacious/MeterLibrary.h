// The library that runs the meters, as a plug-in finds and loads it.
#pragma once

#include <string>

#include "MeterApi.h"

struct MeterLibrary {
	VuMeterStart start = nullptr;
	VuMeterEnd end = nullptr;
	VuMeterPrefs prefs = nullptr;
	VuMeterAbout about = nullptr;
	VuFeedStart feedStart = nullptr;
	VuFeedProcess feedProcess = nullptr;
	VuFeedFlush feedFlush = nullptr;
	VuFeedFinish feedFinish = nullptr;

	// Loads the library beside the kit of the tree this plug-in was installed
	// with, once for the process; null with a line in `error` when it cannot
	// be loaded or is of another build. [any thread]
	static const MeterLibrary* Load(std::string& error);
};
