#include <atomic>
#include <thread>

#include <InterfaceDefs.h>
#include <Window.h>
#include <kit/Display.h>

#include "Checks.h"
#include "PluginCalls.h"
#include "ProcessState.h"
#include "TestBlocks.h"
#include "WindowProbe.h"
#include "host/AddonLibrary.h"

namespace {

constexpr int kRounds = 20;
// The about box has an empty title; nothing else the add-ons open does.
constexpr const char* kAlertTitle = "";
constexpr const char* kPrefsSuffix = " Prefs";
// After the unload, how long a thread left behind in the library's code
// would need to crash.
constexpr bigtime_t kAfterUnload = 300000;

// Renders on its own thread, as an audio thread would, until stopped.
class Renderer {
public:
	explicit Renderer(PluginCalls* plugin)
	    : thread_([this, plugin] {
		      for (int i = 0; !stop_.load(); ++i) {
			      const Block block = TestBlocks::Tone(i);
			      plugin->Render(block.data());
			      snooze(500);
		      }
	      }) {}
	~Renderer() { Stop(); }
	void Stop() {
		stop_ = true;
		if (thread_.joinable()) thread_.join();
	}

private:
	std::atomic<bool> stop_{false};
	std::thread thread_;
};

// Presses Enter in the about box once it shows; the box blocks the
// thread that opened it until then. The key ends the box, so TypeKey()
// cannot see it handled: `found` tells only that the box was there.
std::thread AnswerAbout(std::atomic<bool>& found) {
	return std::thread([&found] {
		if (BWindow* alert = WindowProbe::WaitFor(kAlertTitle, 5000000)) {
			found = true;
			const char enter[] = {char(B_ENTER), 0};
			kit::TypeKey(alert, enter);
		}
	});
}

void OpenAndClose(CheckContext& context, PluginCalls* plugin, int round) {
	const std::string name = "round " + std::to_string(round);
	context.Step(name + ": About(false)");
	std::atomic<bool> found{false};
	std::thread answerer = AnswerAbout(found);
	context.Expect(plugin->About(false), name + ": About(false) returned false");
	answerer.join();
	context.Expect(found, name + ": no about box to answer");
	context.Expect(WindowProbe::WaitUntilGone(kAlertTitle), name + ": the about box stayed after its button");

	context.Step(name + ": Prefs(false)");
	context.Expect(plugin->Prefs(false), name + ": Prefs(false) returned false");
	BWindow* prefs = WindowProbe::FindEndingIn(kPrefsSuffix);
	if (!context.Expect(prefs != nullptr, name + ": Prefs(false) opened no preferences window")) return;
	const std::string title = prefs->Title();
	context.Step(name + ": close box of the preferences window");
	kit::CloseBox(prefs);
	context.Expect(WindowProbe::WaitUntilGone(title.c_str()),
	               name + ": the preferences window stayed after its close box");
}

std::string Join(const std::vector<std::string>& names) {
	std::string joined;
	for (const std::string& name : names)
		joined += (joined.empty() ? "" : ", ") + name;
	return joined;
}

} // namespace

void CheckWindowsWhileRendering(CheckContext& context) {
	const int threads = ProcessState::Now().threads;
	const std::vector<std::string> names = ProcessState::ThreadNames();
	AddonLibrary library(context.AddonPath());
	PluginCalls plugin(library.Path(), library.NewPlugin());
	if (!context.Expect(plugin.Object() != nullptr, library.Error())) return;
	if (!context.Expect(plugin.Init(), "Init returned false")) return;
	{
		Renderer renderer(&plugin);
		for (int round = 1; round <= kRounds; ++round)
			OpenAndClose(context, &plugin, round);
		context.Step("Prefs(false) before the unload");
		plugin.Prefs(false);
		context.Expect(WindowProbe::CountTitledEndingIn(kPrefsSuffix) == 1,
		               "Prefs(false) opened no preferences window");
	}
	context.Step("Cleanup with the preferences window open");
	plugin.Cleanup();
	context.Expect(WindowProbe::CountTitledEndingIn(kPrefsSuffix) == 0,
	               "the preferences window outlived Cleanup");
	context.Step("unload with the preferences window just closed");
	context.Expect(library.Close(), "still loaded after dlclose");
	const int left = ProcessState::WaitForThreads(threads);
	context.Expect(left == threads, std::to_string(left) + " threads after the unload, " +
	                                    std::to_string(threads) + " before the load (before: " + Join(names) +
	                                    "; after: " + Join(ProcessState::ThreadNames()) + ")");
	context.Step("after the unload");
	snooze(kAfterUnload);
}
