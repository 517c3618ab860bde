// The meter window: holds the one PluginView, remembers the plug-in object
// that owns it and the two meter positions last drawn, and takes every audio
// block through Render.
//
// Threads: Render runs on the player's thread with the window locked by the
// caller; QuitRequested, FrameResized and the view's hooks run on the window's
// own thread with the same lock held, so the two never overlap.
#pragma once

#include <Window.h>

class PluginView;
class VisualizationPlugin;

class PluginWindow : public BWindow {
public:
	// Created hidden; the owner shows it.
	PluginWindow(BRect frame, const char* title, VisualizationPlugin* owner, window_look look,
	             window_feel feel, uint32 flags, uint32 workspace);

	void MessageReceived(BMessage* message) override;
	// Never closes the window itself: tells the player, which stops the plug-in.
	bool QuitRequested() override;
	// The meter's: resets the positions and clears the view.
	void FrameResized(float width, float height) override;

	// Measures the block and moves and draws the meter; true on every call.
	// [player thread, window locked]
	bool Render(const int16* pcm, int32 count);

	PluginView* view;           // owned by the window as its child
	VisualizationPlugin* owner; // not owned
	int32 left_pos;             // last drawn meter positions, in view pixels
	int32 right_pos;

private:
	// The meter's position for "nothing drawn yet" in a window of these bounds.
	static int32 ResetPosition(BRect bounds);
};
