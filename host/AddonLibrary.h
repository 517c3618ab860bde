// One add-on library opened with dlopen and the plug-in object it made: the
// one way every host program and test loads an add-on.
#pragma once

#include <string>

#include "core/VisualizationPlugin.h"

// The plug-in object is always deleted before its library is closed; the
// destructor does both if still needed. Every step that runs the add-on's own
// code (its constructors, NewPlugin, the object's destructor, its destructors)
// passes the gate (AddonGate).
//
// [one thread] Every call, on the thread that opened the library.
class AddonLibrary {
public:
	// Opens the library; check IsOpen(), Error() says why not. A path that
	// is not a regular file (a FIFO, a device, a folder) is refused before
	// anything opens it, as opening a FIFO would wait for a writer for good.
	explicit AddonLibrary(std::string path);
	~AddonLibrary(); // Close()

	AddonLibrary(const AddonLibrary&) = delete;
	AddonLibrary& operator=(const AddonLibrary&) = delete;

	// Why `path` cannot be an add-on, "not a regular file (a FIFO)", when it
	// exists and is no regular file; empty otherwise. [any thread]
	static std::string NotARegularFile(const std::string& path);

	bool IsOpen() const { return handle_ != nullptr; }
	const std::string& Path() const { return path_; }
	// One line, "PATH: reason", for the last thing that failed; empty when
	// nothing did.
	std::string Error() const;

	// Calls NewPlugin on the first call and returns the same object after.
	// Owned here. Allocates nothing of its own, so that an add-on may be
	// tried where memory runs out. Null when the library is closed, has no NewPlugin, NewPlugin
	// threw, or it made no object; Error() says which.
	VisualizationPlugin* NewPlugin();
	// The object NewPlugin made, or null before it and once deleted.
	VisualizationPlugin* Plugin() const { return plugin_; }
	// What NewPlugin stored through its argument.
	int32 NewPluginResult() const { return newPluginResult_; }

	// Deletes the object; the caller has stopped it (Cleanup) if it ran.
	void DeletePlugin();
	// Deletes the object and closes the library; true when the library is
	// really gone. A library still mapped (held by another handle, or kept by
	// a unique symbol) would neither run its unload code nor write its
	// settings.
	bool Close();
	// Leaves the object and the library for the rest of the process, for when
	// a thread may still be running their code: deleting or closing them
	// would turn a fault already reported into a crash.
	void KeepLoaded();

	// Hands `samples` (kBlockValues values) to `plugin`'s Render, filling the
	// audio record the one way every host does.
	static bool Render(VisualizationPlugin* plugin, const int16* samples);

private:
	enum class Failure { None, NotOpened, NoNewPlugin, NewPluginThrew, NoObject };

	std::string path_;
	Failure failure_ = Failure::None;
	std::string openError_;                 // dlerror() when the library did not open
	void* handle_ = nullptr;                // dlopen handle, owned
	VisualizationPlugin* plugin_ = nullptr; // owned
	bool madePlugin_ = false;               // NewPlugin is called once
	int32 newPluginResult_ = 0;
};
