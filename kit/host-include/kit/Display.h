// The kit's own calls for hosts and tests: choosing the display, acting as the
// user on a window, waiting for a window to settle, and reading its pixels.
// Add-on code cannot include these: they come with the target be_host, which
// the add-ons do not link.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <GraphicsDefs.h>
#include <Rect.h>

class BLooper;
class BWindow;

namespace kit {

// Display [any thread]
// Without either call below, the windows appear on the X display that
// $DISPLAY names, and in memory (headless, 1024x768) when none opens.
// Chooses the headless display with a screen of that size; only before the
// first window exists (false afterwards).
BE_EXPORT bool UseHeadlessDisplay(int32 screenWidth = 1024, int32 screenHeight = 768);
// The screen size of the headless display used when no display opens; only
// before the first window exists and without UseHeadlessDisplay() (false
// otherwise).
BE_EXPORT bool SetFallbackScreenSize(int32 screenWidth, int32 screenHeight);
BE_EXPORT bool IsHeadlessDisplay();
// Whether the display went away (the X server ended, or the connection to it
// broke). Its windows live on and draw, but nothing reaches a screen any
// more; a host had best stop. Never on the headless display.
BE_EXPORT bool DisplayLost();

// For a host loaded into another program that uses SDL itself and may end it
// altogether (SDL_Quit) [any thread but a window's]: from now on the display
// closes its connection whenever no window is left, and opens it again for
// the next window, so that nothing of the kit is inside SDL then. Returns once
// the connection is closed, or is found in use by a window; false when that
// took longer than `timeout`. Nothing to close on the headless display.
BE_EXPORT bool CloseDisplayWhenUnused(bigtime_t timeout = 10000000);

// Window names [calling thread]
// Until the next call on this thread, a window that this thread makes without
// a title is shown under `name` (a host names an add-on's about box after the
// add-on so); its Title() stays empty. Null or empty: no name.
BE_EXPORT void NameUntitledWindows(const char* name);

// Full screen [any thread but the window's own]
// Makes the window fill the screen, without decoration, and hides the pointer
// while it is over the window; the window learns its new frame once the
// display has made it so (on screen, when the window manager answers). Leaving
// puts the window back at the frame it had before, and the window knows that
// frame again when the call returns: a host that leaves full screen before
// the window's owner saves Frame() leaves the saved frame as it was. False
// when the window is gone.
BE_EXPORT bool SetFullScreen(BWindow* window, bool fullScreen);

// The live windows [any thread]. The pointers stay valid only while the
// windows live; the caller must know that they do.
BE_EXPORT std::vector<BWindow*> Windows();
BE_EXPORT BWindow* FindWindow(const char* title);

// The user's actions [any thread but the window's own]. Each hands the event
// to the window as the display would and returns once the window has handled
// it and everything queued before it; false when the window is gone or the
// action is impossible (a hidden window cannot be closed by the user, say).
// Points are in window coordinates; sizes as Bounds() right and bottom.
BE_EXPORT bool MouseDown(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers = 0,
                         int32 clicks = 1);
BE_EXPORT bool MouseUp(BWindow* window, BPoint where, uint32 buttons = 0, uint32 modifiers = 0);
BE_EXPORT bool MouseMove(BWindow* window, BPoint where, uint32 buttons = 0, uint32 modifiers = 0);
// A press and a release of the same buttons.
BE_EXPORT bool Click(BWindow* window, BPoint where, uint32 buttons, uint32 modifiers = 0);
// A key-down and a key-up with that UTF-8 text (or a control byte such as
// B_ESCAPE), delivered to the window whether or not it is active.
BE_EXPORT bool TypeKey(BWindow* window, const char* bytes, uint32 modifiers = 0, int32 key = 0);
BE_EXPORT bool CloseBox(BWindow* window);
BE_EXPORT bool UserResize(BWindow* window, float width, float height);
BE_EXPORT bool UserMove(BWindow* window, BPoint contentLeftTop);
BE_EXPORT bool UserActivate(BWindow* window);
BE_EXPORT bool UserMinimize(BWindow* window, bool minimized);
BE_EXPORT bool Expose(BWindow* window, BRect rect);
// Clicks the item with that label in a level of the open popup menu; returns
// once the item's target has handled the message the choice sent. False when
// no open level has such an item that a click chooses (enabled, opening no
// submenu). [any thread but the menu's and the target's]
BE_EXPORT bool ChooseMenuItem(const char* label);

// Returns once the looper has handled every message queued so far and its
// queue is empty; false when it is gone or the timeout passed. [any thread
// but the looper's own]
BE_EXPORT bool WaitForIdle(BLooper* looper, bigtime_t timeout = 10000000);

// Updates put on the screen so far, all windows together; 0 on the headless
// display. [any thread]
BE_EXPORT int64 FramesShown();

// Read-back [any thread but the window's own; locks the window]
BE_EXPORT bool ReadPixels(BWindow* window, std::vector<rgb_color>* pixels, int32* width, int32* height);
// The same for a reader that keeps the last picture it read: `*version` is
// the version that picture had (0 for none). When the window has not drawn
// since, nothing is copied; else the pixels are, and `*version` becomes the
// new version. Versions are never reused, not even by another window.
BE_EXPORT bool ReadPixels(BWindow* window, std::vector<rgb_color>* pixels, int32* width, int32* height,
                          uint64* version);
// Lends the pixels, without a copy, to `use`, which runs with the window
// locked: `height` rows of `width` pixels, one row after another. Only when
// the window has drawn since the picture of version `*version` (as above),
// which then becomes the version lent. False when the window is gone.
BE_EXPORT bool LendPixels(BWindow* window, uint64* version,
                          const std::function<void(const rgb_color* pixels, int32 width, int32 height)>& use);
BE_EXPORT rgb_color PixelAt(BWindow* window, int32 x, int32 y);
BE_EXPORT bool SavePng(BWindow* window, const char* path, std::string* error = nullptr);

} // namespace kit
