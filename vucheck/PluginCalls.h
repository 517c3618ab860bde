// The plug-in object an add-on made, as the checks call it: each call tells
// vucheck that it is in progress, so that when the add-on ends the process
// vucheck can say in which call.
#pragma once

#include "core/VisualizationPlugin.h"

// [the thread the check calls from] Every call is passed on as is.
class PluginCalls {
public:
	// `plugin` stays the library's; it must outlive this object. Null when
	// NewPlugin made none: then Object() alone may be called.
	explicit PluginCalls(VisualizationPlugin* plugin) : plugin_(plugin) {}

	bool Init();
	void Cleanup();
	bool About(bool query);
	bool Prefs(bool query);
	// Hands `samples` (kBlockValues values) over as the player does.
	bool Render(const int16* samples);

	// The object itself, for the fields a host sets (host_handler).
	VisualizationPlugin* Object() const { return plugin_; }

private:
	VisualizationPlugin* plugin_; // observer; the library deletes it
};
