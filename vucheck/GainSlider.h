// The gain slider of an add-on's preferences window, read and clicked as
// the user would.
#pragma once

#include <optional>

#include <SupportDefs.h>

class BWindow;

namespace GainSlider {

// The slider's value; empty when the window holds no slider. [check thread]
std::optional<int32> Value(BWindow* prefs);
// Clicks the slider's bar at `fraction` (0 to 1) of its width, as the user
// would; returns the value the slider then shows, or empty. [check thread]
std::optional<int32> ClickAt(BWindow* prefs, float fraction);

} // namespace GainSlider
