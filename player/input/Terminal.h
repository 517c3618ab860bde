// The controlling terminal: keys without Enter, and the progress line.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "input/KeyDecoder.h"

// While it lives, standard input (when a terminal) is in non-canonical mode
// without echo, so single key presses arrive at once; the destructor restores
// the previous mode. Interrupt and termination signals (QuitSignals) are
// turned into Quit keys, so the normal way out, which restores the terminal,
// is always taken.
//
// [player thread]
class Terminal {
public:
	Terminal();
	~Terminal();

	Terminal(const Terminal&) = delete;
	Terminal& operator=(const Terminal&) = delete;

	bool KeysAvailable() const { return raw_; }
	bool ShowsProgress() const { return progress_; }
	// Width of the output terminal, read afresh as it may be resized.
	int Columns() const;

	// The keys typed since the last call, and Quit after a signal.
	std::vector<PlayerKey> Keys();
	// Replaces the progress line; at most ten times a second unless `force`.
	void Progress(const std::string& line, bool force);
	// Ends the progress line so that what is printed next starts on its own line.
	void EndLine();

private:
	bool raw_ = false;
	bool progress_ = false;
	bool lineOpen_ = false;
	std::chrono::steady_clock::time_point lastShown_{};
	struct Saved;
	Saved* saved_ = nullptr; // owned; the terminal mode to restore
};
