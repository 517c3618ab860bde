// A window: a looper with its own thread that shows its views in a window of
// the display (a real window on screen, or one of the headless display).
//
// A window is created hidden and locked by the constructing thread; the first
// Show() starts its thread. Input from the display arrives as messages
// (B_MOUSE_DOWN, B_KEY_DOWN, B_WINDOW_RESIZED, ...) that the window thread
// dispatches with the window locked: keys to the focus view (unless a shortcut
// matches), mouse messages to the view under the pointer. A close request
// from the display arrives as B_QUIT_REQUESTED.
//
// Frame() is the content area in screen coordinates; Bounds() the same area
// in the window's own coordinates (left and top 0). Sizes and positions are
// kept within limits: a frame that is not finite is replaced by a default, and
// the content is at most kMaxWindowSize pixels wide and high.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "InterfaceDefs.h"
#include "Looper.h"
#include "Rect.h"

class BView;

class BE_EXPORT BWindow : public BLooper {
public:
	BWindow(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags,
	        uint32 workspace = B_CURRENT_WORKSPACE);
	~BWindow() override; // deletes the views

	// Hooks [window thread, locked]
	void DispatchMessage(BMessage* message, BHandler* handler) override;
	virtual void FrameMoved(BPoint newPosition);
	virtual void FrameResized(float newWidth, float newHeight);
	virtual void WindowActivated(bool active);
	virtual void Minimize(bool minimize);
	bool QuitRequested() override;
	// From another thread: Lock() the window first. Closes the window and
	// deletes it; see BLooper::Quit.
	void Quit() override;

	// Showing [locked]. Show and Hide nest: after two Hide() calls the window
	// shows again only after two Show() calls.
	virtual void Show();
	virtual void Hide();
	bool IsHidden() const;
	bool IsMinimized() const;
	void Activate(bool active = true);
	bool IsActive() const;
	void SetTitle(const char* title);
	const char* Title() const;
	window_look Look() const;
	window_feel Feel() const;
	uint32 Flags() const;

	// Geometry [locked]
	BRect Frame() const;
	BRect Bounds() const;
	void MoveTo(BPoint where);
	void MoveTo(float x, float y) { MoveTo(BPoint(x, y)); }
	void MoveBy(float dx, float dy);
	void ResizeTo(float width, float height);
	void ResizeBy(float dx, float dy);
	BPoint ConvertToScreen(BPoint windowPoint) const;
	BPoint ConvertFromScreen(BPoint screenPoint) const;

	// Views [locked]. AddChild takes ownership.
	void AddChild(BView* child, BView* before = nullptr);
	bool RemoveChild(BView* child);
	int32 CountChildren() const;
	BView* ChildAt(int32 index) const;
	// The view that takes key-downs, or null. Not owned.
	BView* CurrentFocus() const;
	BView* FindView(BPoint windowPoint) const;

	// Shortcuts [locked]. Typing `key` with B_COMMAND_KEY and `modifiers` in
	// the window posts a copy of `message` to `target` (the window when null)
	// instead of a key-down. Takes ownership of the message.
	void AddShortcut(uint32 key, uint32 modifiers, BMessage* message, BHandler* target = nullptr);
	void RemoveShortcut(uint32 key, uint32 modifiers);
	bool HasShortcut(uint32 key, uint32 modifiers) const;

	// Drawing [locked]. Each hands what was drawn since the last to the
	// screen and returns without waiting for the screen to show it.
	void UpdateIfNeeded();
	void Sync() const;
	void Flush() const;

private:
	friend class BView;
	friend class WindowAccess;

	struct Data;
	std::unique_ptr<Data> fData;
};
