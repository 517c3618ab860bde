// Acts as the user on the add-ons' windows for scripted events: resizes,
// moves, closes, clicks, keys, activation, exposure, popup menu choices and
// the gain slider.
#pragma once

#include <string>

#include "host/Expected.h"
#include "input/EventScript.h"

class BSlider;
class BWindow;

class UserInput {
public:
	// Applies a window event (resize, move, close, mouse, key, activate,
	// expose) to `window`, or a gain event to the open preferences window.
	// Returns once the window has handled it. Fails with one line when the
	// event cannot be applied. [player thread; the window alive]
	static Expected<void> Apply(BWindow* window, const ScriptEvent& event);

	// The bytes and key code a key name of the script stands for.
	static std::string KeyBytes(const std::string& name, int32_t* key);

	// Chooses the item `label` of the open popup menu with a click; returns
	// once the item's target has handled its message. Fails when no open
	// menu has such an item.
	static Expected<void> ChooseMenuItem(const std::string& label);

	// Sets the slider of the open preferences window to exactly `percent`,
	// as a user would: dragging its thumb, then the arrow keys. Fails when
	// there is no such window or `percent` is outside the slider's range.
	static Expected<void> SetGain(int32_t percent);

private:
	static Expected<void> StepGainTo(BWindow* window, BSlider* slider, int32_t percent, int32_t steps);
};
