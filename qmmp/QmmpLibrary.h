// The library that runs the meters, as a Qmmp plug-in finds and loads it.
#pragma once

#include <string>

#include "QmmpApi.h"

struct QmmpLibrary {
	VuQmmpStart start = nullptr;
	VuQmmpEnd end = nullptr;
	VuQmmpPrefs prefs = nullptr;
	VuQmmpAbout about = nullptr;
	VuQmmpFeedConfigure feedConfigure = nullptr;
	VuQmmpFeedApply feedApply = nullptr;
	VuQmmpFeedEnd feedEnd = nullptr;

	// Loads the library of the tree this plug-in was installed with, once
	// for the process; null with a line in `error` when it cannot be loaded
	// or is of another build. [any thread]
	static const QmmpLibrary* Load(std::string& error);
};
