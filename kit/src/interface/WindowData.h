// What a BWindow keeps; shared with BView and the kit's test access.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <Message.h>
#include <View.h>
#include <Window.h>

#include "server/DisplayServer.h"
#include "server/Framebuffer.h"

struct WindowShortcut {
	uint32 key;
	uint32 modifiers; // always with B_COMMAND_KEY
	std::unique_ptr<BMessage> message;
	BHandler* target; // not owned; null means the window
};

struct BE_HIDDEN BWindow::Data {
	BWindow* window;
	std::string title;
	std::string untitledName; // shown while the title is empty
	window_look look;
	window_feel feel;
	uint32 flags;
	BRect frame; // content area on the screen, as the display last reported it
	server_window_id serverId = -1;
	int32 hideLevel = 1; // shown while <= 0
	bool minimized = false;
	bool active = false;
	std::unique_ptr<BView> root;  // covers the window; holds the top-level views
	BView* focus = nullptr;       // not owned
	BView* mouseTarget = nullptr; // the view that took the last mouse-down; not owned
	BPoint mouseWhere;            // window coordinates
	uint32 mouseButtons = 0;
	std::vector<WindowShortcut> shortcuts;
	Framebuffer pixels;
	PixelRect dirty;                       // drawn since the last present
	const PixelRect* updateClip = nullptr; // the area being redrawn, if any

	void Invalidate(BRect rect);
	// Puts what was drawn since the last present on the screen, without waiting.
	void Present();
};
