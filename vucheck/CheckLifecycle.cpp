#include <Window.h>
#include <kit/Display.h>

#include "Checks.h"
#include "PluginCalls.h"
#include "ProcessState.h"
#include "TestBlocks.h"
#include "host/AddonLibrary.h"

namespace {

constexpr int kCycles = 5;
constexpr int kRenders = 100;

bool WaitForWindowCount(size_t count) {
	const bigtime_t deadline = system_time() + 2000000;
	while (kit::Windows().size() != count) {
		if (system_time() > deadline) return false;
		snooze(1000);
	}
	return true;
}

} // namespace

void CheckLifecycle(CheckContext& context) {
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	const size_t windows = kit::Windows().size();
	const int threads = ProcessState::Now().threads;

	for (int cycle = 1; cycle <= kCycles; ++cycle) {
		const std::string name = "cycle " + std::to_string(cycle);
		context.Step(name + ": Init");
		if (!context.Expect(plugin.Init(), name + ": Init returned false")) return;
		context.Expect(kit::Windows().size() > windows, name + ": Init opened no window");
		context.Step(name + ": Render");
		int refused = 0;
		for (int i = 0; i < kRenders; ++i) {
			const Block block = TestBlocks::Tone(i);
			if (!plugin.Render(block.data())) refused++;
		}
		context.Expect(refused == 0, name + ": " + std::to_string(refused) + " of " +
		                                 std::to_string(kRenders) + " renders returned false while running");
		context.Step(name + ": Cleanup");
		plugin.Cleanup();
		context.Expect(WaitForWindowCount(windows), name + ": " + std::to_string(kit::Windows().size()) +
		                                                " windows after Cleanup, " + std::to_string(windows) +
		                                                " before Init");
		const int left = ProcessState::WaitForThreads(threads);
		// Later cycles would only add to a leak already reported.
		if (!context.Expect(left == threads, name + ": " + std::to_string(left) + " threads after Cleanup, " +
		                                         std::to_string(threads) + " before Init")) {
			library.DeletePlugin();
			library.KeepLoaded();
			return;
		}
	}
	context.Step("unload");
	context.Expect(library.Close(), "still loaded after dlclose");
}
