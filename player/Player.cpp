#include "Player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "audio/LimitedSource.h"
#include "audio/helpers/TimeText.h"
#include "audio/sources/DemoSignal.h"
#include "host/ExitStatus.h"
#include "host/Report.h"
#include "output/StandardOutput.h"
#include "playback/Playback.h"
#include "playback/ProgressLine.h"

namespace {

// How often the keys are looked at while nothing plays: often enough that a
// quit feels immediate.
constexpr auto kClosedPoll = std::chrono::milliseconds(50);

} // namespace

int Player::PlayAll(std::vector<InputFile>& inputs, LiveSource* live) {
	bool failed = false;
	if (live) {
		Play(*live);
	} else if (inputs.empty()) {
		DemoSignal demo;
		Play(demo);
	} else {
		for (InputFile& input : inputs) {
			std::unique_ptr<AudioSource> file = std::move(input.stream);
			if (!file) {
				auto opened = InputFiles::Open(input.path, options_.raw, stop_);
				if (!opened) {
					// It opened a moment ago: gone or changed since.
					Report(opened.Error());
					failed = true;
					continue;
				}
				file = std::move(*opened);
			}
			if (!Play(*file)) break;
		}
	}
	if (options_.keepOpen && !quit_) WaitUntilClosed();
	return failed || failed_ ? ExitFailure : ExitOk;
}

void Player::WaitUntilClosed() {
	// Nothing plays any more: the sound device is let go.
	output_.reset();
	if (options_.verbose) std::printf("the sound has ended; the windows stay until they are closed\n");
	for (;;) {
		const std::vector<PlayerKey> keys = Keys();
		if (std::find(keys.begin(), keys.end(), PlayerKey::Quit) != keys.end()) return;
		std::this_thread::sleep_for(kClosedPoll);
	}
}

std::unique_ptr<AudioOutput> Player::OpenOutput(int sampleRate) {
	if (options_.mute || options_.headless) return AudioOutput::Clocked(sampleRate);
	Expected<std::unique_ptr<AudioOutput>> opened = AudioOutput::Open(sampleRate, stop_);
	if (opened) return std::move(*opened);
	if (!opened.Error().empty() && !toldNoDevice_) {
		Report(opened.Error() + "; pacing by the clock");
		toldNoDevice_ = true;
	}
	return AudioOutput::Clocked(sampleRate);
}

bool Player::Play(AudioSource& whole) {
	std::optional<LimitedSource> limited;
	if (options_.durationSeconds > 0) limited.emplace(whole, std::llround(secondsLeft_ * whole.SampleRate()));
	AudioSource& source = limited ? *limited : whole;
	AudioOutput* output = nullptr;
	// Sound that plays elsewhere already is metered, not played: shown live, it
	// paces itself by the clock. --headless alone takes every source as fast as it comes.
	const bool asFastAsItComes = options_.headless && !options_.realtime;
	if (auto* live = dynamic_cast<LiveSource*>(&whole); live && !whole.IsPlayed() && !asFastAsItComes)
		live->SetPacing(LiveSource::Pacing::Clock);
	if (!asFastAsItComes && source.IsPlayed()) {
		if (!output_ || output_->SampleRate() != source.SampleRate()) {
			output_.reset();
			output_ = OpenOutput(source.SampleRate());
		}
		output = output_.get();
	}
	if (options_.verbose && !terminal_.ShowsProgress())
		std::printf("playing %s (%d Hz, %s)\n", source.Name().c_str(), source.SampleRate(),
		            source.TotalFrames() < 0 ? "live"
		                                     : TimeText(source.TotalFrames(), source.SampleRate()).c_str());

	paused_ = false;
	Playback::Hooks hooks{
	    .render =
	        [this, &source](const AudioBlock& block, int64_t frame) {
		        // The padding of the last block is no sound: a recording ends with the sound.
		        const int64_t end = source.EndOfSound();
		        const auto frames =
		            end < 0 ? kBlockFrames : std::clamp<int64_t>(end - frame, 0, kBlockFrames);
		        addons_.Render(block, source.SampleRate(), static_cast<int>(frames));
		        Warn(source);
	        },
	    .keys = [this] { return Keys(); },
	    .deviceLost =
	        [this] {
		        terminal_.EndLine();
		        Report("sound output lost; the rest is paced by the clock");
	        },
	};
	if (terminal_.ShowsProgress())
		hooks.progress = [this](const ProgressState& state) {
			terminal_.Progress(ProgressLine::Format(state, terminal_.Columns()), state.paused);
		};
	Playback playback(std::move(hooks), options_.latencyOffsetMs);
	const Playback::Outcome outcome = playback.Play(source, output);
	Warn(source);
	terminal_.EndLine();
	if (options_.verbose && output) std::printf("%s\n", playback.Latency().Summary().c_str());
	quit_ = outcome == Playback::Outcome::Quit;
	if (outcome == Playback::Outcome::Failed) {
		Report(source.Error());
		failed_ = true;
	}
	if (limited) secondsLeft_ -= static_cast<double>(limited->Played()) / source.SampleRate();
	return outcome != Playback::Outcome::Quit && !(limited && secondsLeft_ <= 0);
}

void Player::Warn(AudioSource& source) {
	for (const std::string& line : source.TakeWarnings()) {
		terminal_.EndLine();
		Report(line);
	}
}

std::vector<PlayerKey> Player::Keys() {
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
		Report(addons_.ScriptPath() + ": the script leaves the player paused, with no event to resume it");
		failed_ = true;
		keys.push_back(PlayerKey::Quit);
	}
	return keys;
}
