// Puts the preferences window that a player's settings button opened beside
// the page the player shows for it, rather than over it. The player may show
// its page before or after its request reaches this process: a player's
// window that appears after the request is the page, else, after a moment,
// the player's window shown last.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "DesktopWindows.h"

// [main thread] Every call.
class PrefsPlacement {
public:
	using Clock = std::chrono::steady_clock;
	static constexpr auto kPatience = std::chrono::seconds(3);
	static constexpr auto kNewPagePatience = std::chrono::milliseconds(500);

	// Once the add-on opened its preferences window, titled `title`, at the
	// player's request: notes the windows of the player (`player`, the parent
	// process) the window manager lists by now. Nothing without an X display.
	void Requested(pid_t player, std::string title);
	// Until both new windows are there or the patience is spent: whether
	// Poll() has more to do.
	bool Pending() const { return desktop_.has_value(); }
	// Moves the new preferences window beside the player's new window once
	// both are there, until it stays there; gives up after kPatience.
	void Poll();

	// Where a frame of `size` goes beside `page` on `screen`: to its right,
	// else to its left, else below it, tops aligned, kept on the screen.
	static DesktopWindows::Frame Beside(const DesktopWindows::Frame& page, const DesktopWindows::Frame& size,
	                                    const DesktopWindows::Frame& screen);

private:
	// The page and the new preferences window, once both are there: where
	// the window goes.
	void Find();
	// The first of `now` not in `before`.
	static std::optional<DesktopWindows::Id> NewOne(const std::vector<DesktopWindows::Id>& before,
	                                                const std::vector<DesktopWindows::Id>& now);

	std::optional<DesktopWindows> desktop_;
	pid_t player_ = 0;
	std::string title_;
	std::vector<DesktopWindows::Id> playerBefore_;
	std::optional<DesktopWindows::Id> prefs_; // found, with its target
	DesktopWindows::Frame target_;
	Clock::time_point lookForNewPage_, giveUp_;
};
