#include "host/RunningAddon.h"

#include <kit/Display.h>

#include "host/AddonGate.h"
#include "host/ExceptionReport.h"
#include "host/FindNewWindow.h"

Expected<std::unique_ptr<RunningAddon>> RunningAddon::Load(const std::string& path) {
	std::unique_ptr<RunningAddon> addon(new RunningAddon(path));
	if (!addon->library_.NewPlugin()) return Failure{addon->library_.Error()};
	return addon;
}

template <typename Body> bool RunningAddon::Call(AddonStep step, Body body) {
	// Read before the gate: a thread that takes over from this one may let
	// go of the object then.
	VisualizationPlugin* const plugin = Plugin();
	std::exception_ptr thrown;
	{
		// Nothing of the host's is touched before the gate lets this thread
		// past: a tracker may hold it there for good.
		AddonGate gate(Path(), step, this);
		try {
			const bool result = body(plugin);
			gate.Returned(result);
			return result;
		} catch (...) {
			thrown = std::current_exception();
		}
	}
	if (fault_.empty()) fault_ = ExceptionReport(Path(), NameOf(step), thrown);
	return false;
}

bool RunningAddon::Start(BHandler* host) {
	VisualizationPlugin* plugin = Plugin();
	if (!plugin || running_) return running_;
	const std::vector<BWindow*> before = kit::Windows();
	plugin->host_handler = host;
	running_ = Call(AddonStep::Init, [](VisualizationPlugin* started) { return started->Init(); });
	// An exception out of Init is a failed start, which the host reports as one.
	fault_.clear();
	meterWindow_ = FindNewWindow(before);
	return running_;
}

bool RunningAddon::Render(const int16* samples) {
	if (!running_ || !fault_.empty()) return false;
	blocksRendered_++;
	return Call(AddonStep::Render,
	            [samples](VisualizationPlugin* plugin) { return AddonLibrary::Render(plugin, samples); });
}

void RunningAddon::Stop() {
	if (!running_) return;
	running_ = false;
	meterWindow_ = nullptr;
	Call(AddonStep::Cleanup, [](VisualizationPlugin* plugin) {
		plugin->Cleanup();
		return true;
	});
}

void RunningAddon::Prefs() {
	if (!running_ || !fault_.empty()) return;
	Call(AddonStep::Prefs, [](VisualizationPlugin* plugin) { return plugin->Prefs(false); });
}

void RunningAddon::Discard() {
	Stop();
	library_.DeletePlugin();
}

void RunningAddon::Abandon() {
	Stop();
	library_.KeepLoaded();
}

void RunningAddon::Forsake() {
	running_ = false;
	meterWindow_ = nullptr;
	library_.KeepLoaded();
}
