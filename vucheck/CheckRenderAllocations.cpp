#include <Window.h>
#include <kit/Display.h>

#include "AllocationCounter.h"
#include "Checks.h"
#include "PluginCalls.h"
#include "TestBlocks.h"
#include "host/AddonLibrary.h"

namespace {

// Renders before counting: the first ones may set up what stays.
constexpr int kWarmUp = 30;
constexpr int kCounted = 300;

} // namespace

void CheckRenderAllocations(CheckContext& context) {
	if (!AllocationCounter::Available()) {
		context.Warn("allocations cannot be counted in a sanitizer build; not checked");
		return;
	}
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	context.Step("Init");
	if (!context.Expect(plugin.Init(), "Init returned false")) return;

	std::mt19937 random(context.Seed());
	std::vector<Block> blocks;
	for (int i = 0; i < kCounted; ++i)
		blocks.push_back(TestBlocks::Tone(i));
	for (const NamedBlock& block : TestBlocks::Hostile(random))
		blocks.push_back(block.samples);

	context.Step("warm-up renders");
	for (int i = 0; i < kWarmUp; ++i)
		plugin.Render(blocks[size_t(i)].data());
	context.Step("counted renders");
	long allocations = 0;
	int allocatingRenders = 0;
	for (const Block& block : blocks) {
		AllocationCounter::Start();
		plugin.Render(block.data());
		const long made = AllocationCounter::Stop();
		allocations += made;
		if (made > 0) allocatingRenders++;
	}
	context.Expect(allocations == 0, std::to_string(allocations) + " heap allocations in " +
	                                     std::to_string(allocatingRenders) + " of " +
	                                     std::to_string(blocks.size()) + " renders");
	plugin.Cleanup();
	context.Step("unload");
	context.Expect(library.Close(), "still loaded after dlclose");
}
