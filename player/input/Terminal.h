// The controlling terminal: keys without Enter, and the progress line.
#pragma once

#include <termios.h>

#include <chrono>
#include <stop_token>
#include <string>
#include <vector>

#include "input/KeyDecoder.h"

// Keys come from the terminal the player was started from (/dev/tty), so
// that they work when standard input carries the sound. The terminal is
// touched only while the player is in its foreground, as job control has it:
// then it is in non-canonical mode without echo, so that single key presses
// arrive at once, and the mode before is restored when the player ends. A
// player in the background neither sets the mode nor reads keys nor shows the
// progress line (which would stop it with SIGTTOU or SIGTTIN); one brought to
// the foreground takes the terminal then. A stop requested of the token given
// (a quit signal's, QuitSignals) is turned into the Quit key, so the normal
// way out, which restores the terminal, is always taken.
//
// [player thread]
class Terminal {
public:
	explicit Terminal(std::stop_token stop);
	~Terminal();

	Terminal(const Terminal&) = delete;
	Terminal& operator=(const Terminal&) = delete;

	// Whether there is a terminal to take keys from, now or once in the foreground.
	bool KeysAvailable() const { return tty_ >= 0; }
	bool ShowsProgress() const { return progress_; }
	// Width of the output terminal, read afresh as it may be resized.
	int Columns() const;

	// The keys typed since the last call, and Quit once a stop is requested.
	std::vector<PlayerKey> Keys();
	// Replaces the progress line; at most ten times a second unless `force`.
	void Progress(const std::string& line, bool force);
	// Ends the progress line so that what is printed next starts on its own line.
	void EndLine();
	// Ends the line and gives the terminal its mode back, for good; the destructor does it too.
	void Release();

private:
	// Whether the player's process group is the foreground one of the terminal
	// `fd`; true for a terminal that is not the controlling one, which no job
	// control shares.
	static bool InForeground(int fd);
	// Takes the terminal's mode for keys once the player is in the
	// foreground, and lets it go when it is not: the shell has it then.
	void FollowForeground();

	const std::stop_token stop_;
	int tty_ = -1; // the controlling terminal; -1 when there is none
	bool raw_ = false;
	termios saved_{}; // the mode to restore, while raw_
	bool progress_ = false;
	bool lineOpen_ = false;
	std::chrono::steady_clock::time_point lastShown_{};
};
