// The slider of a window such as an add-on's preferences window, reached
// through the kit's own BSlider: the add-on's view classes stay inside the
// add-on.
#pragma once

class BSlider;
class BWindow;

// The first slider among the window's views, depth first, or null.
// [the window locked]
BSlider* FirstSlider(BWindow* window);
