#include "display/PluginWindow.h"

#include <Messenger.h>

#include "core/VisualizationPlugin.h"
#include "display/PluginView.h"

PluginWindow::PluginWindow(BRect frame, const char* title, VisualizationPlugin* owner, window_look look,
                           window_feel feel, uint32 flags, uint32 workspace)
    : BWindow(frame, title, look, feel, flags, workspace), owner(owner) {
	const BRect bounds = Bounds();
	left_pos = ResetPosition(bounds);
	right_pos = ResetPosition(bounds);
	view = new PluginView(bounds, owner, B_FOLLOW_ALL, B_WILL_DRAW);
	AddChild(view);
}

void PluginWindow::MessageReceived(BMessage* message) { BWindow::MessageReceived(message); }

// The player answers the notice by stopping the plug-in, whose Cleanup quits
// this window.
bool PluginWindow::QuitRequested() {
	BMessage notice(PLUGIN_CLOSE_NOTICE);
	notice.AddPointer("Object", owner);
	BMessenger player(owner->host_handler);
	if (player.IsValid()) player.SendMessage(&notice);
	return false;
}
