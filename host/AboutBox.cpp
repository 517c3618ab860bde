#include "host/AboutBox.h"

#include <string>
#include <vector>

#include <Alert.h>
#include <Window.h>
#include <kit/Display.h>

#include "core/VisualizationPlugin.h"
#include "host/AddonGate.h"
#include "host/ExceptionReport.h"

namespace {

// The about boxes open now. [any thread]
std::vector<BWindow*> AlertWindows() {
	std::vector<BWindow*> alerts;
	for (BWindow* window : kit::Windows())
		if (dynamic_cast<BAlert*>(window)) alerts.push_back(window);
	return alerts;
}

} // namespace

AboutBox::~AboutBox() {
	if (!thread_.joinable()) return;
	if (Inside())
		thread_.detach();
	else
		thread_.join();
}

bool AboutBox::Open(VisualizationPlugin* plugin, const std::string& path) {
	if (Inside()) return false;
	if (thread_.joinable()) thread_.join();
	state_ = std::make_shared<State>();
	plugin_ = plugin;
	// The box has no title of its own; the window manager shows the add-on's name.
	const char* name = plugin->long_name ? plugin->long_name : plugin->short_name;
	thread_ = std::thread([state = state_, plugin, path, name = std::string(name ? name : "")] {
		kit::NameUntitledWindows(name.c_str());
		try {
			const AddonGate gate(path, AddonStep::About);
			plugin->About(false);
		} catch (...) {
			state->fault = ExceptionReport(path, "About", std::current_exception());
		}
		state->inside.store(false);
	});
	return true;
}

void AboutBox::WaitUntilShown(bigtime_t deadline) {
	while (AlertWindows().empty() && Inside() && system_time() < deadline)
		snooze(1000);
}

bool AboutBox::Close(bigtime_t deadline) {
	if (!thread_.joinable()) return !Inside();
	// The box blocks its thread until answered; Enter presses its only button.
	while (Inside() && system_time() < deadline) {
		for (BWindow* alert : AlertWindows())
			kit::TypeKey(alert, "\n");
		snooze(2000);
	}
	if (Inside()) {
		thread_.detach();
		return false;
	}
	thread_.join();
	return true;
}

VisualizationPlugin* AboutBox::StuckIn() const { return Inside() && !thread_.joinable() ? plugin_ : nullptr; }

std::optional<std::pair<VisualizationPlugin*, std::string>> AboutBox::TakeFault() {
	if (!state_ || Inside() || state_->fault.empty()) return std::nullopt;
	return std::pair{plugin_, std::exchange(state_->fault, {})};
}
