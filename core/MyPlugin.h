// The plug-in object the player drives: Init opens the meter window at the
// saved frame, Render passes each audio block to it under its lock, Cleanup
// saves the window's frame, closes it and waits for the preferences window to
// be gone. Every operation runs on the player's thread.
#pragma once

#include "core/VisualizationPlugin.h"

class PluginWindow;

class MyPlugin : public VisualizationPlugin {
public:
	MyPlugin();

	bool Init() override;
	void Cleanup() override;
	// Shows the about box and blocks until it is dismissed.
	bool About(bool query) override;
	// Opens the preferences window, or brings the open one forward.
	bool Prefs(bool query) override;
	uint32 GetFlags() override;
	void SongInfo(SongInfoStruct* info) override;
	// False when there is no window or its lock cannot be taken.
	bool Render(const VisAudioInfoStruct* info) override;

	// Created by Init and ended by Cleanup through Quit(); null otherwise.
	PluginWindow* window = nullptr;
};
