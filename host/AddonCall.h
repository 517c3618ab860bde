// One call into an add-on's own code, as the gate announces it to the watch.
#pragma once

#include <string>

class RunningAddon;

// Every kind of call that runs an add-on's own code.
enum class AddonStep {
	Open,      // the library's constructors (dlopen)
	NewPlugin, // the exported factory
	Init,
	Render,
	Prefs,
	About,
	Cleanup,
	Delete, // the plug-in's destructor
	Close,  // the library's destructors (dlclose)
};

// How reports name `step`: "Render", "the library's constructors (dlopen)".
// A literal. Async-signal-safe.
const char* NameOf(AddonStep step);

// Lives on the calling thread's stack for as long as the call lasts; what it
// points to outlives it.
struct AddonCall {
	const std::string* path; // the add-on's library
	AddonStep step;
	// The add-on whose order of calls this one belongs to (Init, Render,
	// Prefs, Cleanup through RunningAddon); null for a call outside that
	// order: the library's own steps, About, a validator's calls.
	const RunningAddon* addon;
	// The call the same thread was already inside when this one began, or null.
	const AddonCall* outer;
	// What the call returned (Init, Render, Prefs, About), by the time it
	// ends; false when it threw or returns nothing.
	bool returned = false;

	const char* Name() const { return NameOf(step); }
};
