// Acts as the user on the add-ons' windows for scripted events: resizes,
// moves, closes, clicks, keys, activation, exposure, popup menu choices and
// the gain slider.
#pragma once

#include <string>

#include "input/EventScript.h"

class BSlider;
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

	// Chooses the item `label` of the open popup menu with a click; returns
	// once the item's target has handled its message. False with `error` set
	// when no open menu has such an item.
	static bool ChooseMenuItem(const std::string& label, std::string& error);

	// Sets the slider of the open preferences window to exactly `percent`,
	// as a user would: dragging its thumb, then the arrow keys. False with
	// `error` set when there is no such window or `percent` is outside the
	// slider's range.
	static bool SetGain(int32_t percent, std::string& error);

private:
	static bool StepGainTo(BWindow* window, BSlider* slider, int32_t percent, int32_t steps,
	                       std::string& error);
};
