// The plug-in object an add-on made, as the checks call it: each call passes
// the gate (AddonGate), in whatever order the check makes them, so that when
// the add-on ends the process vucheck can say in which call.
#pragma once

#include <string>

#include "core/VisualizationPlugin.h"

// [the thread the check calls from] Every call is passed on as is.
class PluginCalls {
public:
	// `plugin` is the object the library at `path` made; both stay the
	// library's and must outlive this object. Null when NewPlugin made none:
	// then Object() alone may be called.
	PluginCalls(const std::string& path, VisualizationPlugin* plugin) : path_(path), plugin_(plugin) {}

	bool Init();
	void Cleanup();
	bool About(bool query);
	bool Prefs(bool query);
	// Hands `samples` (kBlockValues values) over as the player does.
	bool Render(const int16* samples);

	// The object itself, for the fields a host sets (host_handler).
	VisualizationPlugin* Object() const { return plugin_; }

private:
	const std::string& path_;     // the library's
	VisualizationPlugin* plugin_; // observer; the library deletes it
};
