// What a player plug-in lets its meter do to the player, each in the
// player's own way.
#pragma once

#include <cstdint>
#include <string>

// [player's main thread] Every call.
class PlayerControls {
public:
	virtual ~PlayerControls() = default;

	// Pauses, resumes, or starts playing when stopped.
	virtual void TogglePause() = 0;
	// Seeks `ms` milliseconds from where the song is heard, within the song;
	// nothing when nothing plays.
	virtual void SeekBy(int64_t ms) = 0;
	// Asks the player to disable the meter's plug-in, later, from its own
	// main loop: the meter closed or failed.
	virtual void Disable() = 0;
	// A line for the user, in the player's own message: "TITLE: line".
	virtual void Show(const std::string& line) = 0;
	// A line for the player's verbose log; `detail` for its most verbose one.
	virtual void Log(const std::string& line, bool detail) = 0;
};
