#include <algorithm>

#include <Window.h>
#include <kit/Display.h>

#include "Checks.h"
#include "PluginCalls.h"
#include "TestBlocks.h"
#include "host/AddonLibrary.h"
#include "host/FindNewWindow.h"

namespace {

// Each block is handed over this many times in a row, so that meters
// reach it and the bar meter's every-third-block redraw happens.
constexpr int kRepeats = 120;

struct Size {
	float width;
	float height;
};
// The window as opened, then degenerate and extreme sizes set by the user.
constexpr Size kSizes[] = {{0, 0}, {1, 1}, {0, 600}, {1500, 2}, {3, 1000}};

void RenderAll(CheckContext& context, PluginCalls* plugin, const std::vector<NamedBlock>& blocks,
               const std::string& size) {
	for (const NamedBlock& block : blocks) {
		const std::string name = block.name + " at " + size;
		context.Step(name);
		Block given = block.samples;
		int refused = 0;
		for (int i = 0; i < kRepeats; ++i)
			if (!plugin->Render(given.data())) refused++;
		context.Expect(refused == 0, name + ": Render returned false " + std::to_string(refused) + " times");
		context.Expect(given == block.samples, name + ": Render changed the host's block");
	}
}

} // namespace

void CheckHostileBlocks(CheckContext& context) {
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	const std::vector<BWindow*> before = kit::Windows();
	context.Step("Init");
	if (!context.Expect(plugin.Init(), "Init returned false")) return;
	BWindow* meter = FindNewWindow(before);
	if (!context.Expect(meter != nullptr, "Init opened no window")) return;

	std::mt19937 random(context.Seed());
	const std::vector<NamedBlock> blocks = TestBlocks::Hostile(random);
	RenderAll(context, &plugin, blocks, "the opening size");
	for (const Size& size : kSizes) {
		const std::string name = std::to_string(int(size.width)) + "x" + std::to_string(int(size.height));
		context.Step("resize to " + name);
		kit::UserResize(meter, size.width, size.height);
		RenderAll(context, &plugin, blocks, name);
	}
	plugin.Cleanup();
	context.Step("unload");
	context.Expect(library.Close(), "still loaded after dlclose");
}
