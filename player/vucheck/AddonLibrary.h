// One add-on library opened with dlopen and the plug-in objects it makes.
#pragma once

#include <optional>
#include <string>

#include "PluginCalls.h"

// [check thread] Every call. The plug-in object is deleted before the
// library is closed; the destructor does both if still needed. Every step
// that runs the add-on's code (its constructors, NewPlugin, the object's
// destructor, its destructors) tells vucheck that it is in progress.
class AddonLibrary {
public:
	// Opens the library; check IsOpen(), Error() says why not.
	explicit AddonLibrary(std::string path);
	~AddonLibrary();
	AddonLibrary(const AddonLibrary&) = delete;
	AddonLibrary& operator=(const AddonLibrary&) = delete;

	bool IsOpen() const { return fHandle != nullptr; }
	const std::string& Error() const { return fError; }

	// Calls NewPlugin; the object is owned here, and so are the calls
	// handed out. Null when there is no NewPlugin or it made nothing,
	// and Error() says which.
	PluginCalls* NewPlugin();

	// Deletes the object and closes the library; true when the library is
	// really gone (dlopen with RTLD_NOLOAD finds nothing).
	bool Close();

	// Leaves the library loaded for the rest of the process, for when a
	// thread may still be running its code: closing it would turn the fault
	// already reported into a crash.
	void KeepLoaded();

	// Hands `samples` (kBlockValues values) to Render as the player does.
	static bool Render(PluginCalls* plugin, const int16* samples);

private:
	void DeletePlugin();

	std::string fPath;
	std::string fError;
	void* fHandle = nullptr;
	std::optional<PluginCalls> fPlugin;
};
