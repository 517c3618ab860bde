#include "host/FindNewWindow.h"

#include <algorithm>

#include <kit/Display.h>

BWindow* FindNewWindow(const std::vector<BWindow*>& before) {
	for (BWindow* window : kit::Windows())
		if (std::find(before.begin(), before.end(), window) == before.end()) return window;
	return nullptr;
}
