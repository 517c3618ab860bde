#include "WindowProbe.h"

#include <string>

#include <Window.h>
#include <kit/Display.h>

namespace {

// A window busy for longer than this is left out of the listing.
constexpr bigtime_t kLockWait = 200000;

template <typename Visit> void ForEachTitle(Visit visit) {
	for (BWindow* window : kit::Windows()) {
		if (window->LockWithTimeout(kLockWait) != B_OK) continue;
		const std::string title = window->Title();
		window->Unlock();
		if (!visit(window, title)) return;
	}
}

} // namespace

int WindowProbe::CountTitledEndingIn(const char* suffix) {
	int count = 0;
	ForEachTitle([&](BWindow*, const std::string& title) {
		if (title.ends_with(suffix)) count++;
		return true;
	});
	return count;
}

BWindow* WindowProbe::FindEndingIn(const char* suffix) {
	BWindow* found = nullptr;
	ForEachTitle([&](BWindow* window, const std::string& title) {
		if (title.ends_with(suffix)) found = window;
		return found == nullptr;
	});
	return found;
}

BWindow* WindowProbe::WaitFor(const char* title, bigtime_t timeout) {
	const bigtime_t deadline = system_time() + timeout;
	for (;;) {
		if (BWindow* window = kit::FindWindow(title)) return window;
		if (system_time() > deadline) return nullptr;
		snooze(1000);
	}
}

bool WindowProbe::WaitUntilGone(const char* title, bigtime_t timeout) {
	const bigtime_t deadline = system_time() + timeout;
	while (kit::FindWindow(title)) {
		if (system_time() > deadline) return false;
		snooze(1000);
	}
	return true;
}
