#include <OS.h>

#include "Checks.h"
#include "ProcessState.h"
#include "host/AddonLibrary.h"

namespace {

constexpr int kRounds = 50;
// Rounds before the resident size is taken as the base: the first loads
// fill caches of the C library and the kit that stay.
constexpr int kWarmUpRounds = 3;
// Growth of the resident size that allocator slack can explain.
constexpr int64_t kResidentTolerance = 1 << 20;
#ifdef VUCHECK_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// One load, one object and one unload; false (with the failure reported)
// when any step goes wrong.
bool LoadOnce(CheckContext& context, int round) {
	AddonLibrary library(context.AddonPath());
	if (!context.Expect(library.IsOpen(), "load " + std::to_string(round) + ": " + library.Error()))
		return false;
	// Error() says why only once NewPlugin has run.
	const bool made = library.NewPlugin() != nullptr;
	if (!context.Expect(made, "load " + std::to_string(round) + ": " + library.Error())) return false;
	return context.Expect(library.Close(), "load " + std::to_string(round) + ": still loaded after dlclose");
}

} // namespace

void CheckLoadUnload(CheckContext& context) {
	const ProcessState start = ProcessState::Now();
	for (int round = 1; round <= kWarmUpRounds; ++round)
		if (!LoadOnce(context, round)) return;
	const ProcessState warm = ProcessState::Now();
	for (int round = kWarmUpRounds + 1; round <= kRounds; ++round) {
		context.Step("load " + std::to_string(round));
		if (!LoadOnce(context, round)) return;
	}
	const int threads = ProcessState::WaitForThreads(start.threads);
	const ProcessState end = ProcessState::Now();
	context.Expect(threads == start.threads, "threads: " + std::to_string(start.threads) + " before, " +
	                                             std::to_string(threads) + " after");
	context.Expect(end.openFiles == start.openFiles, "open files: " + std::to_string(start.openFiles) +
	                                                     " before, " + std::to_string(end.openFiles) +
	                                                     " after");
	const int64_t grown = end.residentBytes - warm.residentBytes;
	if (grown <= kResidentTolerance) return;
	const std::string growth = "resident memory grew by " + std::to_string(grown / 1024) + " KiB over " +
	                           std::to_string(kRounds - kWarmUpRounds) + " loads";
	if (kSanitized)
		context.Warn(growth + " (a sanitizer holds on to freed memory)");
	else
		context.Fail(growth);
}
