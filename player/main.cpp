// vuplay: plays sound files, the demo piece or live input, showing progress
// and peak levels on the terminal. Hosting the meter add-ons comes with the
// kit's windows; their options are accepted and checked already.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AudioCapture.h"
#include "AudioFileSource.h"
#include "AudioOutput.h"
#include "DemoSignal.h"
#include "EventScript.h"
#include "Options.h"
#include "Playback.h"
#include "ProgressLine.h"
#include "Terminal.h"

namespace {

void Report(const std::string& message) { std::fprintf(stderr, "vuplay: %s\n", message.c_str()); }

// Checks every file before anything plays, so a bad name fails at once.
bool CheckFiles(const std::vector<std::string>& files) {
	for (const std::string& path : files) {
		std::string error;
		if (!AudioFileSource::Open(path, error)) {
			Report(error);
			return false;
		}
	}
	return true;
}

class Player {
public:
	explicit Player(const Options& options) : options_(options) {}

	// Plays one source; false when the user quit.
	bool Play(AudioSource& source) {
		AudioOutput* output = nullptr;
		const bool unpaced = options_.capture || (options_.headless && !options_.realtime);
		if (!unpaced) {
			if (!output_ || output_->SampleRate() != source.SampleRate()) {
				output_.reset();
				std::string why;
				output_ = AudioOutput::Open(source.SampleRate(), options_.mute || options_.headless, why);
				if (!why.empty() && !toldNoDevice_ && (terminal_.ShowsProgress() || options_.verbose)) {
					Report(why + "; pacing by the clock");
					toldNoDevice_ = true;
				}
				output_->SetLatencyOffset(options_.latencyOffsetMs);
			}
			output = output_.get();
		}
		if (options_.verbose && !terminal_.ShowsProgress())
			std::printf("playing %s (%d Hz, %s)\n", source.Name().c_str(), source.SampleRate(),
			            source.TotalFrames() < 0
			                ? "live"
			                : ProgressLine::Time(source.TotalFrames(), source.SampleRate()).c_str());

		Playback playback({
		    .keys = [this] { return terminal_.Keys(); },
		    .progress =
		        [this](const ProgressState& state) {
			        terminal_.Progress(ProgressLine::Format(state, terminal_.Columns()), state.paused);
		        },
		});
		const Playback::Outcome outcome = playback.Play(source, output);
		terminal_.EndLine();
		if (outcome == Playback::Outcome::Failed) {
			Report(source.Error());
			failed_ = true;
		}
		return outcome != Playback::Outcome::Quit;
	}

	bool Failed() const { return failed_; }

private:
	const Options& options_;
	Terminal terminal_;
	std::unique_ptr<AudioOutput> output_;
	bool toldNoDevice_ = false;
	bool failed_ = false;
};

int Run(const Options& options) {
	if (!options.events.empty()) {
		std::string error;
		if (!EventScript::Load(options.events, error)) {
			Report(error);
			return kExitFailure;
		}
	}
	if (!CheckFiles(options.files)) return kExitFailure;

	Player player(options);
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
		for (const std::string& path : options.files) {
			std::string error;
			auto file = AudioFileSource::Open(path, error);
			if (!file) {
				Report(error);
				return kExitFailure;
			}
			if (!player.Play(*file)) break;
		}
	}
	return player.Failed() ? kExitFailure : kExitOk;
}

} // namespace

int main(int argc, char** argv) {
	const ParsedOptions parsed = OptionsParser::Parse(argc, argv);
	if (!parsed.options) {
		std::fprintf(parsed.exitStatus == kExitOk ? stdout : stderr, "%s\n", parsed.message.c_str());
		return parsed.exitStatus;
	}
	return Run(*parsed.options);
}
