// vu-meter-process: one meter add-on in a process of its own, for a player
// plug-in that starts it with a socket as descriptor 3. Not for users to run.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "feed/MeterProtocol.h"
#include "host/AddonExitGuard.h"
#include "host/KitChoices.h"
#include "host/Report.h"
#include "host/SignalFlag.h"

#include "MeterChild.h"

namespace {

constexpr int kChannel = 3;

} // namespace

int main(int argc, char** argv) {
	SetReportName(meter_protocol::kReportName);
	// Descriptors the player left open are not the meter's to hold; a pipe
	// kept open here would keep its reader waiting.
	::close_range(kChannel + 1, ~0U, 0);
	MeterChild::Options options;
	CLI::App app("One meter add-on for a player plug-in, which starts this with its socket as descriptor 3.",
	             "vu-meter-process");
	app.add_option("--addon", options.addon, "the add-on, a name or a path")->required();
	app.add_option("--trace", options.trace, "the drawing trace's file");
	app.add_option("--trace-name", options.traceName, "how messages name the trace");
	app.add_option("--other-trace", options.otherTraces, "another meter's trace, NAME=PATH");
	try {
		app.parse(argc, argv);
	} catch (const CLI::ParseError& error) {
		return app.exit(error);
	}
	if (options.traceName.empty()) options.traceName = "--trace";
	// An ending signal ends the meter the clean way, its settings saved.
	SignalFlag::CatchEnding(SignalFlag::Restart::Yes);
	// An add-on that ends the process from a call is named, and the status is 1.
	AddonExitGuard::Install();
	KitChoices::FromEnvironment().Apply();
	return MeterChild(std::move(options), MeterChannel(kChannel)).Run();
}
