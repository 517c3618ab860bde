#include "input/UserInput.h"

#include "host/FirstSlider.h"
#include "input/KeyNames.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

#include <InterfaceDefs.h>
#include <Slider.h>
#include <Window.h>
#include <kit/Display.h>

namespace {

// The open window holding a slider, and the slider, found with the window locked.
std::pair<BWindow*, BSlider*> FindGainSlider() {
	for (BWindow* window : kit::Windows()) {
		if (!window->Lock()) continue;
		BSlider* slider = FirstSlider(window);
		window->Unlock();
		if (slider) return {window, slider};
	}
	return {nullptr, nullptr};
}

} // namespace

std::string UserInput::KeyBytes(const std::string& name, int32_t* key) {
	*key = 0;
	for (const auto& [word, byte] : kKeyNames)
		if (name == word) return std::string(1, byte);
	if (name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
		// Function keys arrive as B_FUNCTION_KEY; the key code tells which (F1 is 2).
		*key = 1 + std::atoi(name.c_str() + 1);
		return std::string(1, B_FUNCTION_KEY);
	}
	return name;
}

Expected<void> UserInput::ChooseMenuItem(const std::string& label) {
	if (kit::ChooseMenuItem(label.c_str())) return {};
	return Failure{"menu: no open menu has an item \"" + label + "\""};
}

Expected<void> UserInput::SetGain(int32_t percent) {
	auto [window, slider] = FindGainSlider();
	if (!window) {
		return Failure{"gain: no preferences window is open"};
	}
	BPoint from, to;
	if (!window->Lock()) {
		return Failure{"gain: the preferences window is closing"};
	}
	int32 minimum = 0, maximum = 0;
	slider->GetLimits(&minimum, &maximum);
	const BRect thumb = slider->ThumbFrame();
	const BRect bar = slider->BarFrame();
	const float y = std::round((thumb.top + thumb.bottom) / 2);
	from = window->ConvertFromScreen(
	    slider->ConvertToScreen(BPoint(std::round((thumb.left + thumb.right) / 2), y)));
	// The point on the bar whose value is nearest the one wanted.
	float best = bar.left;
	for (float x = bar.left; x <= bar.right; x++)
		if (std::abs(slider->ValueForPoint(BPoint(x, y)) - percent) <
		    std::abs(slider->ValueForPoint(BPoint(best, y)) - percent))
			best = x;
	to = window->ConvertFromScreen(slider->ConvertToScreen(BPoint(best, y)));
	window->Unlock();
	if (percent < minimum || percent > maximum) {
		return Failure{"gain: " + std::to_string(percent) + " is outside the slider's range " +
		               std::to_string(minimum) + ".." + std::to_string(maximum)};
	}
	const bool dragged = kit::MouseDown(window, from, B_PRIMARY_MOUSE_BUTTON) &&
	                     kit::MouseMove(window, to, B_PRIMARY_MOUSE_BUTTON) && kit::MouseUp(window, to);
	if (!dragged) {
		return Failure{"gain: the preferences window did not take the drag"};
	}
	return StepGainTo(window, slider, percent, maximum - minimum);
}

// A pixel of the bar spans several values, so the drag lands near; the arrow
// keys, which the slider has focus for since the drag, close the rest.
Expected<void> UserInput::StepGainTo(BWindow* window, BSlider* slider, int32_t percent, int32_t steps) {
	for (int32_t step = 0; step <= steps; step++) {
		if (!window->Lock()) {
			return Failure{"gain: the preferences window is closing"};
		}
		const int32 value = slider->Value();
		window->Unlock();
		if (value == percent) return {};
		const char key[] = {value < percent ? char(B_RIGHT_ARROW) : char(B_LEFT_ARROW), 0};
		if (!kit::TypeKey(window, key)) {
			return Failure{"gain: the preferences window did not take the arrow key"};
		}
	}
	return Failure{"gain: the slider does not reach " + std::to_string(percent)};
}

Expected<void> UserInput::Apply(BWindow* window, const ScriptEvent& event) {
	const auto& n = event.numbers;
	bool done = false;
	switch (event.kind) {
	case ScriptEvent::Kind::Resize:
		// The script gives the new Bounds() right and bottom.
		done = kit::UserResize(window, float(n[0]), float(n[1]));
		break;
	case ScriptEvent::Kind::Move:
		done = kit::UserMove(window, BPoint(float(n[0]), float(n[1])));
		break;
	case ScriptEvent::Kind::Close:
		done = kit::CloseBox(window);
		break;
	case ScriptEvent::Kind::Mouse:
		done = kit::Click(window, BPoint(float(n[0]), float(n[1])), uint32(n[2]));
		break;
	case ScriptEvent::Kind::Key: {
		int32_t key = 0;
		const std::string bytes = KeyBytes(event.text, &key);
		done = kit::TypeKey(window, bytes.c_str(), event.modifiers, key);
		break;
	}
	case ScriptEvent::Kind::Activate:
		done = kit::UserActivate(window);
		break;
	case ScriptEvent::Kind::Expose:
		done = kit::Expose(window, BRect(float(n[0]), float(n[1]), float(n[2]), float(n[3])));
		break;
	case ScriptEvent::Kind::Gain:
		return SetGain(n[0]);
	default:
		return Failure{"not a window event"};
	}
	if (!done) return Failure{"the meter window did not take the event"};
	return {};
}
