// The kit's own access to a window's insides, for kit::Windows() and the
// user actions and read-back of kit/Display.h.
#pragma once

#include <string>
#include <vector>

#include <View.h>
#include <Window.h>

#include "server/DisplayServer.h"

class WindowAccess {
public:
	static server_window_id ServerId(BWindow* window);
	static const Framebuffer& Pixels(BWindow* window);
	static void SetObserver(BView* view, kit::DrawingObserver* observer);

	// The live windows, kept by the BWindow constructor and destructor.
	static void Register(BWindow* window);
	static void Unregister(BWindow* window);
	static std::vector<BWindow*> All();
	// The name a window made on this thread without a title is shown under.
	static const std::string& UntitledName();
};
