#include "FailureAlert.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <Alert.h>
#include <AppDefs.h>
#include <Messenger.h>
#include <kit/Display.h>

#include "host/Report.h"

namespace {

// Enough for a failure and what led to it, without a box taller than the screen.
constexpr size_t kMostLines = 12;

std::mutex gLock;
std::vector<std::string> gLines; // guarded by gLock

void Keep(const std::string& line) {
	const std::lock_guard guard(gLock);
	gLines.push_back(line);
	if (gLines.size() > kMostLines) gLines.erase(gLines.begin());
}

} // namespace

bool FailureAlert::Asked(int argc, char** argv) {
	for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; i++)
		if (std::strcmp(argv[i], "--alert") == 0) return true;
	return false;
}

void FailureAlert::Watch() { CopyReports(Keep); }

void FailureAlert::Show(std::stop_token stop) {
	std::string text;
	{
		const std::lock_guard guard(gLock);
		for (const std::string& line : gLines)
			text += (text.empty() ? "" : "\n") + line;
	}
	if (text.empty() || kit::IsHeadlessDisplay()) return;
	kit::NameUntitledWindows("VU Meters");
	auto* alert = new BAlert("", text.c_str(), "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_STOP_ALERT);
	kit::NameUntitledWindows(nullptr);
	// A messenger stays safe to use once the alert has gone.
	const BMessenger box(alert);
	const std::stop_callback close(stop, [box] { box.SendMessage(B_QUIT_REQUESTED); });
	alert->Go();
}
