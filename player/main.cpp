// vuplay: plays sound files, the demo piece or live input through the meter
// add-ons, showing progress and peak levels on the terminal.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AddonListing.h"
#include "AddonSession.h"
#include "AudioCapture.h"
#include "AudioFileSource.h"
#include "AudioOutput.h"
#include "DemoSignal.h"
#include "EventScript.h"
#include "KitChoices.h"
#include "Options.h"
#include "Playback.h"
#include "ProgressLine.h"
#include "QuitSignals.h"
#include "Terminal.h"

#include <kit/Display.h>
#include <kit/UnsavedSettings.h>

namespace {

void Report(const std::string& message) { std::fprintf(stderr, "vuplay: %s\n", message.c_str()); }

// Whether standard output still takes what is printed: a closed pipe (SIGPIPE
// is ignored) or a full disk is reported, once, and fails the run.
bool StdoutWritable() {
	static bool told = false;
	errno = 0;
	if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
	if (!told)
		Report(std::string("standard output: cannot write") +
		       (errno ? ": " + std::string(std::strerror(errno)) : ""));
	told = true;
	return false;
}

// An input that opened when checked. A pipe stays open from then on, as it
// can be read only once; a file is opened again at its turn, so that a long
// list does not hold every file open at once.
struct Input {
	std::string path;
	std::unique_ptr<AudioFileSource> stream;
};

// The inputs that open, each other one reported at once rather than after
// the inputs before it have played.
std::vector<Input> PlayableInputs(const std::vector<std::string>& files) {
	std::vector<Input> playable;
	for (const std::string& path : files) {
		std::string error;
		auto source = AudioFileSource::Open(path, error);
		if (!source)
			Report(error);
		else
			playable.push_back({path, source->IsStream() ? std::move(source) : nullptr});
	}
	return playable;
}

class Player {
public:
	Player(const Options& options, AddonSession& addons) : options_(options), addons_(addons) {}

	// Plays one source; false when the user quit.
	bool Play(AudioSource& source) {
		AudioOutput* output = nullptr;
		const bool unpaced = options_.capture || (options_.headless && !options_.realtime);
		if (!unpaced) {
			if (!output_ || output_->SampleRate() != source.SampleRate()) {
				output_.reset();
				std::string why;
				output_ = AudioOutput::Open(source.SampleRate(), options_.mute || options_.headless, why);
				if (!why.empty() && !toldNoDevice_) {
					Report(why + "; pacing by the clock");
					toldNoDevice_ = true;
				}
			}
			output = output_.get();
		}
		if (options_.verbose && !terminal_.ShowsProgress())
			std::printf("playing %s (%d Hz, %s)\n", source.Name().c_str(), source.SampleRate(),
			            source.TotalFrames() < 0
			                ? "live"
			                : ProgressLine::Time(source.TotalFrames(), source.SampleRate()).c_str());

		paused_ = false;
		Playback playback(
		    {
		        .render = [this, &source](const AudioBlock& block,
		                                  int64_t) { addons_.Render(block, source.SampleRate()); },
		        .keys = [this] { return Keys(); },
		        .progress =
		            [this](const ProgressState& state) {
			            if (terminal_.ShowsProgress())
				            terminal_.Progress(ProgressLine::Format(state, terminal_.Columns()),
				                               state.paused);
		            },
		    },
		    options_.latencyOffsetMs);
		const Playback::Outcome outcome = playback.Play(source, output);
		terminal_.EndLine();
		if (options_.verbose && output) std::printf("%s\n", playback.Latency().Summary().c_str());
		if (outcome == Playback::Outcome::Failed) {
			Report(source.Error());
			failed_ = true;
		}
		return outcome != Playback::Outcome::Quit;
	}

	bool Failed() const { return failed_; }

private:
	// The terminal's keys and those sent from the meter windows; the about box
	// is the add-ons' business.
	std::vector<PlayerKey> Keys() {
		std::vector<PlayerKey> keys = terminal_.Keys();
		for (const PlayerKey key : addons_.Keys(paused_))
			keys.push_back(key);
		std::erase_if(keys, [this](PlayerKey key) {
			if (key == PlayerKey::About) addons_.About();
			if (key == PlayerKey::TogglePause) paused_ = !paused_;
			return key == PlayerKey::About;
		});
		if (!StdoutWritable()) {
			failed_ = true;
			keys.push_back(PlayerKey::Quit);
		}
		// Headless, nothing but the script can resume; waiting for what never comes would hang.
		if (paused_ && options_.headless && !terminal_.KeysAvailable() && !addons_.ScriptCanResume()) {
			Report(options_.events + ": the script leaves the player paused, with no event to resume it");
			failed_ = true;
			keys.push_back(PlayerKey::Quit);
		}
		return keys;
	}

	const Options& options_;
	AddonSession& addons_;
	Terminal terminal_;
	std::unique_ptr<AudioOutput> output_;
	bool paused_ = false; // as Playback has it: every TogglePause handed over toggles it
	bool toldNoDevice_ = false;
	bool failed_ = false;
};

// Plays the files, the demo or the input; the exit status. A file that fails
// is reported and the next one plays.
int Play(const Options& options, std::vector<Input>& inputs, AddonSession& addons) {
	Player player(options, addons);
	bool failed = false;
	if (options.capture) {
		std::string error;
		auto capture = AudioCapture::Open(options.captureDevice, error);
		if (!capture) {
			Report(error);
			return kExitFailure;
		}
		player.Play(*capture);
	} else if (options.files.empty()) {
		DemoSignal demo;
		player.Play(demo);
	} else {
		for (Input& input : inputs) {
			std::unique_ptr<AudioFileSource> file = std::move(input.stream);
			std::string error;
			if (!file) file = AudioFileSource::Open(input.path, error);
			if (!file) {
				// It opened a moment ago: gone or changed since.
				Report(error);
				failed = true;
				continue;
			}
			if (!player.Play(*file)) break;
		}
	}
	return failed || player.Failed() ? kExitFailure : kExitOk;
}

int Run(const Options& options) {
	// Before any add-on loads: a signal from here on ends the run the normal
	// way, in which the add-ons write their settings.
	QuitSignals::Install();
	std::vector<Input> inputs = PlayableInputs(options.files);
	if (inputs.empty() && !options.files.empty()) return kExitFailure;
	AddonSession addons(options);
	std::string error;
	if (!addons.Start(error)) {
		Report(error);
		return kExitFailure;
	}
	int status = Play(options, inputs, addons);
	if (options.verbose && !options.headless)
		std::printf("frames shown on screen: %lld\n", static_cast<long long>(kit::FramesShown()));
	// A signal that comes while the add-ons are being unloaded found the recording whole.
	const auto ending =
	    QuitSignals::Received() ? AddonSession::Ending::CutShort : AddonSession::Ending::Complete;
	if (!addons.Leave(ending, error)) {
		Report(error);
		status = kExitFailure;
	}
	if (kit::DisplayLost()) {
		Report("the display went away");
		status = kExitFailure;
	}
	if (addons.Failed() || inputs.size() != options.files.size()) status = kExitFailure;
	return status;
}

// The add-ons say nothing when their settings cannot be written; the player
// does, without failing the run, since the meters played.
void ReportUnsavedSettings() {
	for (const kit::UnsavedSettings& unsaved : kit::TakeUnsavedSettings())
		Report("settings not saved: " + unsaved.path + ": " + unsaved.reason);
}

} // namespace

int main(int argc, char** argv) {
	const ParsedOptions parsed = OptionsParser::Parse(argc, argv);
	if (!parsed.options) {
		std::fprintf(parsed.exitStatus == kExitOk ? stdout : stderr, "%s\n", parsed.message.c_str());
		return parsed.exitStatus;
	}
	KitChoices::From(*parsed.options).Apply();
	if (parsed.options->listPlugins) return AddonListing::Print(AddonLocator::FromEnvironment(), stdout);
	int status = Run(*parsed.options);
	ReportUnsavedSettings();
	// What was printed must have arrived, the last of it included.
	if (!StdoutWritable()) status = kExitFailure;
	if (QuitSignals::Received()) {
		Report("ended by " + QuitSignals::Name());
		status = QuitSignals::ExitStatus();
	}
	return status;
}
