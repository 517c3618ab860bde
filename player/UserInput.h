// Acts as the user on the add-ons' windows for scripted events: resizes,
// moves, closes, clicks, keys, activation, exposure and the gain slider.
#pragma once

#include <string>

#include "EventScript.h"

class BWindow;

class UserInput {
public:
	// Applies a window event (resize, move, close, mouse, key, activate,
	// expose) to `window`, or a gain event to the open preferences window.
	// Returns once the window has handled it. False with `error` set to one
	// line when the event cannot be applied. [player thread; the window alive]
	static bool Apply(BWindow* window, const ScriptEvent& event, std::string& error);

	// The bytes and key code a key name of the script stands for.
	static std::string KeyBytes(const std::string& name, int32_t* key);

	// Sets the slider of the open preferences window to `percent` by dragging
	// its thumb. False with `error` set when there is no such window.
	static bool SetGain(int32_t percent, std::string& error);
};
