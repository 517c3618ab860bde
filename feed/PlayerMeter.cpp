#include "PlayerMeter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "MeterFeed.h"
#include "PlayerControls.h"

extern char** environ;

namespace {

constexpr int64_t kSeekMs = 5000;

// The other meters' trace variables that are set, "NAME=PATH".
std::vector<std::string> OtherTraces(const std::string& own) {
	std::vector<std::string> traces;
	for (char** variable = environ; *variable; variable++) {
		const std::string entry = *variable;
		const size_t equals = entry.find('=');
		const std::string name = entry.substr(0, equals);
		if (equals + 1 < entry.size() && name != own && name.starts_with("VUMETERS_") &&
		    name.ends_with("_TRACE"))
			traces.push_back(entry);
	}
	return traces;
}

} // namespace

std::string PlayerMeter::TraceVariable(const std::string& addon) {
	std::string upper = addon;
	std::transform(upper.begin(), upper.end(), upper.begin(),
	               [](unsigned char c) { return std::toupper(c); });
	return "VUMETERS_" + upper + "_TRACE";
}

PlayerMeter::PlayerMeter(Setup setup, MeterFeed& feed, PlayerControls& controls,
                         std::unique_ptr<MeterProcess> process)
    : setup_(std::move(setup)), feed_(feed), controls_(controls), process_(std::move(process)) {}

Expected<std::unique_ptr<PlayerMeter>> PlayerMeter::Start(const Setup& setup, MeterFeed& feed,
                                                          PlayerControls& controls) {
	MeterProcess::Launch launch;
	launch.program = setup.program;
	launch.name = setup.addon;
	launch.arguments = {"--addon", setup.addon};
	const std::string variable = TraceVariable(setup.addon);
	if (const char* trace = std::getenv(variable.c_str()); trace && *trace)
		launch.arguments.insert(launch.arguments.end(), {"--trace", trace, "--trace-name", variable});
	for (const std::string& other : OtherTraces(variable))
		launch.arguments.insert(launch.arguments.end(), {"--other-trace", other});
	launch.inputs = setup.inputs;
	auto process = MeterProcess::Start(launch);
	if (!process) return Failure{process.Error()};
	std::unique_ptr<PlayerMeter> meter(new PlayerMeter(setup, feed, controls, std::move(*process)));
	feed.Add(*meter->process_);
	return meter;
}

PlayerMeter::~PlayerMeter() {
	feed_.Remove(*process_);
	const MeterProcess::Ending ending = process_->End();
	// Milliseconds, to a tenth.
	const auto ms = [](int32_t us) {
		char text[32];
		std::snprintf(text, sizeof text, "%.1f", us / 1000.0);
		return std::string(text);
	};
	const meter_protocol::Timing& timing = ending.timing;
	const MeterFeed::Error error = feed_.ClockError();
	controls_.Log(setup_.addon + ": " + std::to_string(process_->BlocksOffered()) + " blocks from " +
	                  setup_.player + ", " + std::to_string(timing.rendered) + " of them rendered, " +
	                  std::to_string(timing.silent) + " silent blocks after a stop; Render started within " +
	                  ms(timing.p99Us) + " ms of the time a block was heard for 99 % of them (half within " +
	                  ms(timing.medianUs) + " ms, the latest " + ms(timing.latestUs) +
	                  " ms), by a clock within " + ms(error.p99Us) + " ms of " + setup_.player +
	                  "'s for 99 % of its readings (half within " + ms(error.medianUs) +
	                  " ms, the farthest " + ms(error.latestUs) + " ms)",
	              false);
	for (const std::string& report : ending.reports)
		controls_.Show(report);
	if (!ending.failure.empty()) controls_.Show(ending.failure);
}

void PlayerMeter::HandleEvents() {
	if (closed_) return;
	for (const MeterProcess::Event& event : process_->TakeEvents()) {
		switch (event.kind) {
		case MeterProcess::Event::Kind::Key:
			Act(event.key);
			break;
		case MeterProcess::Event::Kind::Log:
			controls_.Log(setup_.addon + ": " + event.text, true);
			break;
		case MeterProcess::Event::Kind::Report:
			controls_.Show(event.text);
			break;
		case MeterProcess::Event::Kind::Closed:
			break;
		case MeterProcess::Event::Kind::Stopped:
			if (!event.text.empty()) controls_.Show(event.text);
			Closed();
			break;
		}
	}
}

void PlayerMeter::Act(meter_protocol::Key key) {
	switch (key) {
	case meter_protocol::Key::TogglePause:
		controls_.TogglePause();
		break;
	case meter_protocol::Key::SeekBack:
		controls_.SeekBy(-kSeekMs);
		break;
	case meter_protocol::Key::SeekForward:
		controls_.SeekBy(kSeekMs);
		break;
	}
}

void PlayerMeter::Closed() {
	if (closed_) return;
	closed_ = true;
	controls_.Disable();
}
