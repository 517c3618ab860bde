#include "CheckProcess.h"

#include <optional>
#include <thread>

#include <FindDirectory.h>
#include <kit/Display.h>

#include "Checks.h"
#include "ReportPipe.h"
#include "host/ScratchFolder.h"

namespace {

CheckOutcome Failed(const std::string& why) {
	ReportPipe::Send("fail", why);
	return CheckOutcome::Fail;
}

} // namespace

CheckOutcome RunCheckInThisProcess(int number, const std::string& addonPath, uint32_t seed,
                                   const std::string& settingsFolder) {
	ReportPipe::Send("step", "setting up");
	const Check* check = nullptr;
	for (const Check& candidate : AllChecks())
		if (candidate.number == number) check = &candidate;
	if (!check) return Failed("no check " + std::to_string(number));
	std::optional<ScratchFolder> ownFolder;
	if (settingsFolder.empty()) {
		Expected<ScratchFolder> made = ScratchFolder::Make("vucheck");
		if (!made) return Failed("a temporary settings folder: " + made.Error());
		ownFolder.emplace(std::move(*made));
	}
	const std::string folder = ownFolder ? ownFolder->Path() : settingsFolder;

	kit::UseHeadlessDisplay();
	// A sanitizer starts a helper thread along with the first thread of the
	// process; starting one here counts it in every check's baseline.
	std::thread([] {}).join();
	set_settings_directory(folder.c_str());
	ReportPipe::WatchCalls();
	CheckContext context(addonPath, seed, folder);
	check->run(context);
	return context.Outcome();
}
