// The meter window an add-on opened, told from the windows open before.
#pragma once

#include <vector>

class BWindow;

// The first open window that is not in `before`, or null. [any thread]
BWindow* FindNewWindow(const std::vector<BWindow*>& before);
