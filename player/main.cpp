// vuplay: plays sound files, the demo piece or live input through the meter
// add-ons, showing progress and peak levels on the terminal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <kit/Display.h>
#include <kit/SettingsInUse.h>
#include <kit/UnsavedSettings.h>

#include "FailureAlert.h"
#include "HungCallEnding.h"
#include "KitOptions.h"
#include "Player.h"
#include "PrivateSettingsCopy.h"
#include "QuitSignals.h"
#include "audio/LiveInput.h"
#include "audio/helpers/SoundDevices.h"
#include "host/AddonExitGuard.h"
#include "host/CrashReport.h"
#include "host/ExitStatus.h"
#include "host/Report.h"
#include "options/OptionsParser.h"
#include "options/OutputClash.h"
#include "output/RecordingFile.h"
#include "output/StandardOutput.h"
#include "session/AddonListing.h"
#include "session/AddonSession.h"

namespace {

// Why the meters are drawn off screen though that was not asked for; empty
// when they are not, or it was (--headless, VUMETERS_HEADLESS=1).
std::string NoDisplay(const Options& options) {
	const char* asked = std::getenv("VUMETERS_HEADLESS");
	if (options.kit.headless || !kit::IsHeadlessDisplay() || (asked && std::strcmp(asked, "1") == 0))
		return {};
	const char* display = std::getenv("DISPLAY");
	return std::string("no display: ") +
	       (display && *display ? "cannot open '" + std::string(display) + "'" : "DISPLAY is not set");
}

// Meters drawn where nobody sees them, which was not asked for, are said to be.
void ReportNoDisplay(const Options& options) {
	const std::string missing = NoDisplay(options);
	if (missing.empty()) return;
	Report(missing + "; the meters are drawn off screen" +
	       (options.session.record.empty() ? ", and nothing shows them (--record PATH keeps them)"
	                                       : ", into the recording " + options.session.record));
}

// --list-devices: the sound server's, else, when there is none, SDL's.
int ListDevices() {
	QuitSignals::Install();
	ServerAnswer answer = ServerAnswer::Absent;
	const Expected<SoundDevices> server = SoundDevices::FromServer(QuitSignals::Token(), &answer);
	// SDL would wait for a server that does not answer as long as it takes.
	if (answer == ServerAnswer::Silent || answer == ServerAnswer::Interrupted) {
		if (answer == ServerAnswer::Silent) Report("--list-devices: sound server: " + server.Error());
		return ExitFailure;
	}
	std::fputs((server ? *server : SoundDevices::FromSdl(server.Error())).Format().c_str(), stdout);
	return ExitOk;
}

// The add-ons say nothing when their settings cannot be written; the player
// does, without failing the run, since the meters played.
void ReportUnsavedSettings() {
	for (const kit::UnsavedSettings& unsaved : kit::TakeUnsavedSettings())
		Report("settings not saved: " + unsaved.path + ": " + unsaved.reason);
}

// The end of a run whose player thread is held for good inside an add-on's
// call that a quit signal could not wait for: the line that says so, the
// others' ending as the normal way out has it, and the signal's status.
[[noreturn]] void EndWithout(const AddonCallTracker::Call& call, HungCallEnding::Why why, Player* player,
                             AddonSession& addons, std::unique_ptr<PrivateSettingsCopy>& privateSettings) {
	if (player) player->ReleaseTerminal();
	const std::string when =
	    why == HungCallEnding::Why::Grace
	        ? std::to_string(HungCallEnding::kGrace.count()) + " seconds after " + QuitSignals::Name()
	        : "when a second quit signal came";
	Report(call.path + ": " + call.name + " had not returned " + when +
	       "; the add-on's settings are not saved");
	if (const Expected<void> left = addons.LeaveWithout(*call.addon); !left) Report(left.Error());
	ReportUnsavedSettings();
	privateSettings.reset();
	Report("ended by " + QuitSignals::Name());
	std::fflush(stdout);
	// The held thread is still inside the add-on's code, which the normal
	// exit would unload from under it.
	std::_Exit(QuitSignals::ExitStatus());
}

// Loads the add-ons, which read their settings files then and write them
// when they unload: one line when the trace or the recording is one of them,
// also the user's own of which a headless run has a private copy.
std::string OutputsOverSettings(const Options& options, AddonSession& addons,
                                const PrivateSettingsCopy* privateSettings) {
	addons.Load();
	std::vector<std::string> files = kit::SettingsFilesRead();
	if (privateSettings)
		for (const std::string& file : kit::SettingsFilesRead())
			files.push_back(privateSettings->From() + "/" + std::filesystem::path(file).filename().string());
	return OutputClash::FindOverSettings(options, files);
}

int Run(const Options& options, std::unique_ptr<PrivateSettingsCopy>& privateSettings) {
	// Before any add-on loads: a signal from here on ends the run the normal
	// way, in which the add-ons write their settings.
	QuitSignals::Install();
	const std::stop_token quit = QuitSignals::Token();
	// Refused before anything plays, rather than once the recording is done.
	if (const std::string why = RecordingFile::Protected(options.session.record); !why.empty()) {
		Report(why);
		return ExitFailure;
	}
	std::vector<InputFile> inputs = InputFiles::Playable(options.files, options.player.raw, quit);
	if (inputs.empty() && !options.files.empty()) return ExitFailure;
	std::unique_ptr<LiveSource> live;
	if (options.capture) {
		auto opened = LiveInput::Open(options.monitor ? LiveInput::Kind::Monitor : LiveInput::Kind::Capture,
		                              options.captureDevice, quit);
		if (!opened) {
			ReportLines(opened.Error());
			return ExitFailure;
		}
		live = std::move(*opened);
	}
	// A screen of its own is what was asked for; a service that starts the
	// player before the display is there tries again.
	if (options.session.fullScreen && !NoDisplay(options).empty()) {
		Report("--fullscreen: " + NoDisplay(options));
		return ExitFailure;
	}
	AddonSession addons(options.session, quit);
	std::optional<Player> player;
	const HungCallEnding hung(addons.Calls(), quit,
	                          [&](const AddonCallTracker::Call& call, HungCallEnding::Why why) {
		                          EndWithout(call, why, player ? &*player : nullptr, addons, privateSettings);
	                          });
	if (const std::string clash = OutputsOverSettings(options, addons, privateSettings.get());
	    !clash.empty()) {
		Report(clash + " (see --help)");
		return ExitUsage;
	}
	if (const Expected<void> started = addons.Start(); !started) {
		Report(started.Error());
		return ExitFailure;
	}
	ReportNoDisplay(options);
	player.emplace(options.player, addons, quit);
	int status = player->PlayAll(inputs, live.get());
	player.reset();
	// A run that a signal ended says so; the events it left are no news.
	if (!QuitSignals::Received()) addons.EndScript();
	addons.LogBlocksRendered();
	if (options.player.verbose && !options.player.headless)
		std::printf("frames shown on screen: %lld\n", static_cast<long long>(kit::FramesShown()));
	// A signal that comes while the add-ons are being unloaded found the recording whole.
	const auto ending =
	    QuitSignals::Received() ? AddonSession::Ending::CutShort : AddonSession::Ending::Complete;
	if (const Expected<void> left = addons.Leave(ending); !left) {
		Report(left.Error());
		status = ExitFailure;
	}
	if (kit::DisplayLost()) {
		Report("the display went away");
		status = ExitFailure;
	}
	if (addons.Failed() || inputs.size() != options.files.size()) status = ExitFailure;
	return status;
}

// The whole run; its exit status.
int Main(int argc, char** argv) {
	ParsedOptions parsed = OptionsParser::Parse(argc, argv);
	if (!parsed.options) {
		// Help and version go out as they are; a usage error is one line.
		if (parsed.exitStatus != ExitOk) {
			Report(parsed.message);
			return parsed.exitStatus;
		}
		return PrintWhole(parsed.message + "\n") ? ExitOk : ExitFailure;
	}
	if (parsed.options->session.record == "-") {
		const Expected<int> reserved = ReserveStandardOutputForRecording();
		if (!reserved) {
			Report(reserved.Error());
			return ExitFailure;
		}
		parsed.options->session.recordingDescriptor = *reserved;
	}
	// An add-on that ends the process is one line naming it, as a crash in
	// its own code while it loads, starts or unloads is.
	AddonExitGuard::Install();
	CrashReport::Install(CrashReport::Covers::LoadingAndStarting);
	KitChoices choices = KitChoicesFor(parsed.options->kit);
	std::unique_ptr<PrivateSettingsCopy> privateSettings;
	if (choices.privateSettings) {
		auto made = PrivateSettingsCopy::Make(choices.settingsFolder);
		if (!made) {
			Report(made.Error());
			return ExitFailure;
		}
		privateSettings = std::move(*made);
		choices.settingsFolder = privateSettings->Path();
	}
	choices.Apply();
	int status = parsed.options->listPlugins   ? AddonListing::Print(AddonLocator::FromEnvironment(), stdout,
	                                                                 parsed.options->player.verbose)
	             : parsed.options->listDevices ? ListDevices()
	                                           : Run(*parsed.options, privateSettings);
	ReportUnsavedSettings();
	// What was printed must have arrived, the last of it included.
	if (!StdoutWritable()) status = ExitFailure;
	if (QuitSignals::Received()) {
		Report("ended by " + QuitSignals::Name());
		status = QuitSignals::ExitStatus();
	}
	return status;
}

} // namespace

int main(int argc, char** argv) {
	SetReportName("vuplay");
	const bool alert = FailureAlert::Asked(argc, argv);
	if (alert) FailureAlert::Watch();
	const int status = Main(argc, argv);
	// A run that a signal ended was ended by the user, who knows.
	if (!alert || (status != ExitFailure && status != ExitUsage)) return status;
	FailureAlert::Show(QuitSignals::Token());
	if (!QuitSignals::Received()) return status;
	Report("ended by " + QuitSignals::Name());
	return QuitSignals::ExitStatus();
}
