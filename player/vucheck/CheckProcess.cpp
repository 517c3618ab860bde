#include "CheckProcess.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include <FindDirectory.h>
#include <kit/Display.h>

#include "Checks.h"

int RunCheckInThisProcess(int number, const std::string& addonPath, uint32_t seed) {
	const Check* check = nullptr;
	for (const Check& candidate : AllChecks())
		if (candidate.number == number) check = &candidate;
	if (!check) {
		std::printf("fail: no check %d\n", number);
		return int(CheckOutcome::kFail);
	}
	// A write beyond RLIMIT_FSIZE should fail with EFBIG, as on a full disk,
	// rather than end the process.
	signal(SIGXFSZ, SIG_IGN);
	kit::UseHeadlessDisplay();
	// A sanitizer starts a helper thread along with the first thread of the
	// process; starting one here counts it in every check's baseline.
	std::thread([] {}).join();

	char folder[] = "/tmp/vucheck-XXXXXX";
	if (!mkdtemp(folder)) {
		std::printf("fail: cannot make a temporary settings folder\n");
		return int(CheckOutcome::kFail);
	}
	set_settings_directory(folder);
	CheckContext context(addonPath, seed, folder);
	check->run(context);

	std::error_code ignored;
	for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
		chmod(entry.path().c_str(), 0700);
	std::filesystem::remove_all(folder, ignored);
	std::fflush(stdout);
	return int(context.Outcome());
}
