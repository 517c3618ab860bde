#include "GainSlider.h"

#include <InterfaceDefs.h>
#include <Slider.h>
#include <Window.h>
#include <kit/Display.h>

#include "host/FirstSlider.h"

namespace {

// The window's first slider, read with the window locked.
template <typename Use> bool WithSlider(BWindow* prefs, Use use) {
	if (!prefs->Lock()) return false;
	BSlider* slider = FirstSlider(prefs);
	if (slider) use(slider);
	prefs->Unlock();
	return slider != nullptr;
}

} // namespace

std::optional<int32> GainSlider::Value(BWindow* prefs) {
	int32 value = 0;
	if (!WithSlider(prefs, [&](BSlider* slider) { value = slider->Value(); })) return std::nullopt;
	return value;
}

std::optional<int32> GainSlider::ClickAt(BWindow* prefs, float fraction) {
	BPoint where;
	const bool found = WithSlider(prefs, [&](BSlider* slider) {
		const BRect bar = slider->BarFrame();
		const BPoint onBar(bar.left + fraction * bar.Width(), (bar.top + bar.bottom) / 2);
		const BRect frame = prefs->Frame();
		where = slider->ConvertToScreen(onBar) - BPoint(frame.left, frame.top);
	});
	if (!found) return std::nullopt;
	if (!kit::MouseDown(prefs, where, B_PRIMARY_MOUSE_BUTTON) || !kit::MouseUp(prefs, where))
		return std::nullopt;
	return Value(prefs);
}
