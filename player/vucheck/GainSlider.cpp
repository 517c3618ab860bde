#include "GainSlider.h"

#include <InterfaceDefs.h>
#include <Slider.h>
#include <View.h>
#include <Window.h>
#include <kit/Display.h>

namespace {

BSlider* FindSlider(BView* view) {
	if (auto* slider = dynamic_cast<BSlider*>(view)) return slider;
	for (int32 i = 0; i < view->CountChildren(); ++i)
		if (BSlider* slider = FindSlider(view->ChildAt(i))) return slider;
	return nullptr;
}

// The window's first slider, read with the window locked.
template <typename Use> bool WithSlider(BWindow* prefs, Use use) {
	if (!prefs->Lock()) return false;
	BSlider* slider = nullptr;
	for (int32 i = 0; i < prefs->CountChildren() && !slider; ++i)
		slider = FindSlider(prefs->ChildAt(i));
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
