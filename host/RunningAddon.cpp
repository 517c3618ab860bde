#include "host/RunningAddon.h"

#include <kit/Display.h>

#include "host/AddonExitGuard.h"
#include "host/CrashReport.h"
#include "host/NewWindow.h"

Expected<std::unique_ptr<RunningAddon>> RunningAddon::Load(const std::string& path, AddonCallWatch* watch) {
	std::unique_ptr<RunningAddon> addon(new RunningAddon(path, watch));
	if (!addon->library_.NewPlugin()) return Failure{addon->library_.Error()};
	return addon;
}

bool RunningAddon::Start(BHandler* host) {
	VisualizationPlugin* plugin = Plugin();
	if (!plugin || running_) return running_;
	const std::vector<BWindow*> before = kit::Windows();
	plugin->host_handler = host;
	try {
		CrashReport crash(Path() + ": the add-on crashed while starting");
		const AddonExitGuard::Scope inside(Path(), "Init");
		running_ = plugin->Init();
	} catch (...) {
		// No exception may cross the add-on boundary; one that does is a failed start.
		running_ = false;
	}
	meterWindow_ = NewWindow(before);
	return running_;
}

bool RunningAddon::Render(const int16* samples) {
	if (!running_) return false;
	blocksRendered_++;
	const AddonExitGuard::Scope inside(Path(), "Render");
	return AddonLibrary::Render(Plugin(), samples);
}

void RunningAddon::Stop() {
	if (!running_) return;
	running_ = false;
	meterWindow_ = nullptr;
	const AddonExitGuard::Scope inside(Path(), "Cleanup");
	Plugin()->Cleanup();
}

void RunningAddon::Prefs() {
	if (!running_) return;
	const AddonExitGuard::Scope inside(Path(), "Prefs");
	Plugin()->Prefs(false);
}

void RunningAddon::Discard() {
	Stop();
	library_.DeletePlugin();
}

void RunningAddon::Abandon() {
	Stop();
	library_.KeepLoaded();
}
