// One add-on a host runs: its library, its plug-in object, and whether
// it is running.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "host/AddonCall.h"
#include "host/AddonLibrary.h"
#include "host/Expected.h"

class BWindow;

// Keeps the order of an add-on's calls; each passes the gate (AddonGate),
// Init, Render, Prefs and Cleanup as this add-on's.
//
// Life: Load (dlopen, NewPlugin) → Start (Init) → Render ... → Stop (Cleanup)
// → Start again or Discard (object deleted) → destructor (dlclose, which lets
// the library write its settings file). After Abandon instead neither
// happens, and the library writes its settings as the process ends.
//
// An exception that an add-on lets out of Render, Prefs or Cleanup is caught
// and kept as its Fault(); from then on it is rendered to no more and Prefs
// does nothing, and the host stops it (Cleanup) and lets it go.
//
// [host thread] Every call: the thread that drives the add-ons.
class RunningAddon {
public:
	// Loads the library at `path` and creates its plug-in object. Fails with
	// one line, "PATH: reason", when the file is no loadable library, has no
	// NewPlugin, or NewPlugin gives no object.
	static Expected<std::unique_ptr<RunningAddon>> Load(const std::string& path);
	~RunningAddon() { Discard(); }

	RunningAddon(const RunningAddon&) = delete;
	RunningAddon& operator=(const RunningAddon&) = delete;

	const std::string& Path() const { return library_.Path(); }
	// The plug-in object, or null once discarded. Owned by the library.
	VisualizationPlugin* Plugin() const { return library_.Plugin(); }
	bool Running() const { return running_; }

	// Sets the host handler and calls Init. The windows that appeared during
	// Init are taken as the add-on's meter window. False when Init failed or
	// threw.
	bool Start(BHandler* host);
	// Calls Render with `samples` (kBlockValues values), when running.
	bool Render(const int16* samples);
	// The blocks handed to Render so far, over every Start.
	int64_t BlocksRendered() const { return blocksRendered_; }
	// Opens the add-on's preferences window (Prefs); nothing when not running.
	void Prefs();
	// Calls Cleanup; nothing when not running.
	void Stop();
	// Stops and deletes the object for good.
	void Discard();
	// Stops the add-on for good but keeps the object and the library for the
	// rest of the process: a thread of the host is still inside the object
	// (an About that never returned), and neither may go from under it.
	void Abandon();
	// As Abandon, without calling Cleanup: the host thread is held inside a
	// call of this add-on that does not return. [the thread that took over]
	void Forsake();
	// The line for the exception the add-on let out of a call, once one did
	// (ExceptionReport); empty before.
	const std::string& Fault() const { return fault_; }

	// The window opened by the last Start, or null; valid while running.
	BWindow* MeterWindow() const { return meterWindow_; }

private:
	explicit RunningAddon(const std::string& path) : library_(path) {}

	// Runs `body` with the plug-in object through the gate as this add-on's
	// `step`, and returns what it returns; an exception it lets out becomes
	// Fault() and gives false.
	template <typename Body> bool Call(AddonStep step, Body body);

	AddonLibrary library_;
	std::string fault_;
	bool running_ = false;
	BWindow* meterWindow_ = nullptr;
	int64_t blocksRendered_ = 0;
};
