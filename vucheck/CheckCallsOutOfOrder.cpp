#include <OS.h>
#include <kit/Display.h>

#include "Checks.h"
#include "PluginCalls.h"
#include "TestBlocks.h"
#include "host/AddonLibrary.h"

namespace {

// Long enough for a window that was wrongly asked for to appear.
constexpr bigtime_t kSettle = 100000;

// The calls that must be harmless while the plug-in is not running.
void CallWhileStopped(CheckContext& context, PluginCalls* plugin, const std::string& when) {
	const size_t windows = kit::Windows().size();
	const Block block = TestBlocks::Tone(0);
	context.Step("Render " + when);
	context.Expect(!plugin->Render(block.data()), "Render " + when + " returned true");
	context.Step("About(true) " + when);
	context.Expect(plugin->About(true), "About(true) " + when + " returned false");
	context.Step("Prefs(true) " + when);
	context.Expect(plugin->Prefs(true), "Prefs(true) " + when + " returned false");
	context.Step("Prefs(false) " + when);
	plugin->Prefs(false);
	snooze(kSettle);
	context.Expect(kit::Windows().size() == windows,
	               "About(true), Prefs(true) or Prefs(false) " + when + " opened a window");
	context.Step("Cleanup " + when);
	plugin->Cleanup();
}

} // namespace

void CheckCallsOutOfOrder(CheckContext& context) {
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;

	CallWhileStopped(context, &plugin, "before Init");
	context.Step("Init after calls out of order");
	if (!context.Expect(plugin.Init(), "Init after calls out of order returned false")) return;
	const Block block = TestBlocks::Tone(1);
	context.Expect(plugin.Render(block.data()), "Render after Init returned false");
	context.Expect(plugin.About(true) && plugin.Prefs(true),
	               "About(true) or Prefs(true) while running returned false");
	plugin.Cleanup();
	CallWhileStopped(context, &plugin, "after Cleanup");
	context.Step("Cleanup twice");
	plugin.Cleanup();

	context.Step("Init after Cleanup twice");
	context.Expect(plugin.Init(), "Init after Cleanup twice returned false");
	context.Expect(plugin.Render(block.data()), "Render after a second Init returned false");
	plugin.Cleanup();
	context.Step("unload");
	context.Expect(library.Close(), "still loaded after dlclose");
}
