// One add-on library opened with dlopen and the plug-in objects it makes.
#pragma once

#include <string>

#include "core/VisualizationPlugin.h"

// [check thread] Every call. The plug-in object is deleted before the
// library is closed; the destructor does both if still needed.
class AddonLibrary {
public:
	// Opens the library; check IsOpen(), Error() says why not.
	explicit AddonLibrary(std::string path);
	~AddonLibrary();
	AddonLibrary(const AddonLibrary&) = delete;
	AddonLibrary& operator=(const AddonLibrary&) = delete;

	bool IsOpen() const { return fHandle != nullptr; }
	const std::string& Error() const { return fError; }

	// Calls NewPlugin; the object is owned here. Null when there is no
	// NewPlugin or it made nothing.
	VisualizationPlugin* NewPlugin();

	// Deletes the object and closes the library; true when the library is
	// really gone (dlopen with RTLD_NOLOAD finds nothing).
	bool Close();

	// Leaves the library loaded for the rest of the process, for when a
	// thread may still be running its code: closing it would turn the fault
	// already reported into a crash.
	void KeepLoaded();

	// Hands `samples` (kBlockValues values) to Render as the player does.
	static bool Render(VisualizationPlugin* plugin, const int16* samples);

private:
	void DeletePlugin();

	std::string fPath;
	std::string fError;
	void* fHandle = nullptr;
	VisualizationPlugin* fPlugin = nullptr;
};
