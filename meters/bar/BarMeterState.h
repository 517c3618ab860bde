// What the bar meter keeps for the whole library rather than per window: it
// draws on every third block counted since the library was loaded, and each
// drawn frame erases from the tops the previous drawn frame left. Set at load
// and never reset, not even by a resize or a new window.
//
// Touched only by PluginWindow::Render [player thread, meter window locked].
#pragma once

#include <SupportDefs.h>

namespace BarMeterState {

// Render calls since the last drawn frame: 0, 1 or 2 between calls.
extern int16 render_count;
// The bar tops as the last drawn frame painted them; 0.0 before the first.
extern float last_top_left;
extern float last_top_right;

} // namespace BarMeterState
