// The plug-in object the player drives: Init opens the meter window at the
// saved frame, Render passes each audio block to it under its lock, Cleanup
// saves the window's frame, closes it and waits for the preferences window to
// be gone. Every operation runs on the host's driving thread but About,
// which the host runs on a thread of its own while Render goes on (see
// VisualizationPlugin.h), and none lets an exception out: one that fails by
// an exception answers false (NewPlugin answers null).
#pragma once

#include <Rect.h>

#include "core/VisualizationPlugin.h"

class PluginWindow;

class MyPlugin : public VisualizationPlugin {
public:
	MyPlugin();

	// Opens the meter window at the saved frame, or at the default frame
	// when the saved one is not finite, is inverted or would put the window
	// wholly off the screen.
	bool Init() override;
	// Saves the window's frame, unless it is still the one Init opened it at.
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

private:
	// A hidden meter window at `frame`, owned by this object.
	PluginWindow* NewWindow(BRect frame);

	// The window's frame when Init opened it.
	BRect openedAt;
};
