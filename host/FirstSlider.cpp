#include "host/FirstSlider.h"

#include <Slider.h>
#include <View.h>
#include <Window.h>

namespace {

BSlider* FirstSliderIn(BView* view) {
	if (auto* slider = dynamic_cast<BSlider*>(view)) return slider;
	for (int32 i = 0; i < view->CountChildren(); ++i)
		if (BSlider* slider = FirstSliderIn(view->ChildAt(i))) return slider;
	return nullptr;
}

} // namespace

BSlider* FirstSlider(BWindow* window) {
	for (int32 i = 0; i < window->CountChildren(); ++i)
		if (BSlider* slider = FirstSliderIn(window->ChildAt(i))) return slider;
	return nullptr;
}
