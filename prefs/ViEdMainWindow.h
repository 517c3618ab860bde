// The preferences window: a small window centred on the main screen holding
// the gain panel. At most one exists at a time in a loaded add-on: its one
// unit of WindowSemaphore is held by the open window, and the_win names it.
//
// Opening: whoever takes the unit (OpenOrRaise) creates the window; anyone
// else asks the open window to come forward. The window's destructor clears
// the_win and gives the unit back, so the next request opens a new window.
#pragma once

#include <atomic>

#include <OS.h>
#include <Window.h>

class ViEdView_L0S0;

inline constexpr uint32 MSG_SHOW_PREFS = 'ShoW';

class ViEdMainWindow : public BWindow {
public:
	// Created hidden; sets the_win. [opener's thread]
	ViEdMainWindow(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags,
	               uint32 workspace);
	// Clears the_win (when it still names this window) and releases the unit.
	// [window thread]
	~ViEdMainWindow() override;

	// [window thread, locked]
	void MessageReceived(BMessage* message) override;
	bool QuitRequested() override;

	// Creates the window centred on the main screen and shows it. Only for
	// the caller that has just taken the unit of WindowSemaphore, which it
	// gives back when the window cannot be made. [any thread]
	static void CreateWindow();
	// Asks the open window, if any, to come forward; returns at once. [any thread]
	static void ShowWindow();
	// Tries the unit for 50 microseconds: taken, CreateWindow(); otherwise
	// ShowWindow(). Without a semaphore (before Init, after Cleanup) nothing
	// opens. [any thread]
	static void OpenOrRaise();
	// Polls the_win every 0.1 s, at most `count` times, until no window is
	// registered; then, if there was one on entry, waits 0.4 s more so that
	// its thread can finish destroying it. [any thread]
	static void WaitForNoWindow(int32 count);

	ViEdView_L0S0* panel; // a child of the window, which deletes it

	// Created by MyPlugin::Init with one unit, deleted by MyPlugin::Cleanup;
	// B_BAD_VALUE before the first Init.
	static std::atomic<sem_id> WindowSemaphore;
	// The open window, or null. Read from other threads while the window may
	// be going away: use it only to build a BMessenger, which never
	// dereferences it.
	static std::atomic<ViEdMainWindow*> the_win;
};
