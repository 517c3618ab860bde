#include "playback/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "audio/helpers/Clause.h"
#include "audio/helpers/QuietStderr.h"
#include "audio/helpers/SoundDevices.h"

namespace {

// A device takes a buffer every few tens of milliseconds while it plays.
constexpr auto kTakesNothingLimit = std::chrono::seconds(2);
constexpr auto kCloseLimit = std::chrono::milliseconds(500);

// Whether SDL plays through a sound server, which may keep it waiting: its
// first choice, unless the environment picks another driver.
bool SdlMayUseSoundServer() {
	const char* driver = std::getenv("SDL_AUDIODRIVER");
	return !driver || !*driver || std::strstr(driver, "pulse") || std::strstr(driver, "pipewire");
}

} // namespace

Expected<std::unique_ptr<AudioOutput>> AudioOutput::Open(int sampleRate, std::stop_token stop, Clock clock) {
	if (SdlMayUseSoundServer()) {
		ServerAnswer answer = ServerAnswer::Absent;
		const Expected<void> answered = SoundDevices::Probe(std::move(stop), &answer);
		switch (answer) {
		case ServerAnswer::Silent:
			return Failure{"no sound output: sound server: " + answered.Error()};
		case ServerAnswer::Interrupted:
			return Failure{};
		case ServerAnswer::Answered:
		case ServerAnswer::Absent:
			break;
		}
	}
	// The sound systems SDL tries say on standard error why they cannot play.
	QuietStderr quiet;
	if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
		return Failure{std::string("no sound output: ") + Clause(SDL_GetError())};
	SDL_AudioSpec want{};
	want.freq = sampleRate;
	want.format = AUDIO_S16SYS;
	want.channels = 2;
	want.samples = 1024;
	SDL_AudioSpec have{};
	const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
	if (device == 0) {
		Failure failure{std::string("no sound output: ") + Clause(SDL_GetError())};
		SDL_QuitSubSystem(SDL_INIT_AUDIO);
		return failure;
	}
	std::unique_ptr<AudioOutput> output = Clocked(sampleRate, std::move(clock));
	output->device_ = device;
	output->audioStarted_ = true;
	// `have` describes the device's side; its buffer holds this many of our frames.
	output->latencyFrames_ = static_cast<int64_t>(have.samples) * sampleRate / std::max(have.freq, 1);
	output->bufferClock_ = BufferClock(output->latencyFrames_, sampleRate, output->clock_());
	SDL_PauseAudioDevice(device, 0);
	return output;
}

std::unique_ptr<AudioOutput> AudioOutput::Clocked(int sampleRate, Clock clock) {
	return std::unique_ptr<AudioOutput>(new AudioOutput(sampleRate, std::move(clock)));
}

AudioOutput::AudioOutput(int sampleRate, Clock clock)
    : sampleRate_(sampleRate), clock_(std::move(clock)), anchorTime_(clock_()),
      bufferClock_(0, sampleRate, anchorTime_), takenAt_(anchorTime_) {}

AudioOutput::~AudioOutput() { CloseDevice(); }

void AudioOutput::CloseDevice() {
	if (!audioStarted_) return;
	auto closed = std::make_shared<std::promise<void>>();
	std::future<void> done = closed->get_future();
	std::thread closer([device = device_, closed] {
		if (device != 0) SDL_CloseAudioDevice(device);
		SDL_QuitSubSystem(SDL_INIT_AUDIO);
		closed->set_value();
	});
	if (done.wait_for(kCloseLimit) == std::future_status::ready)
		closer.join();
	else
		closer.detach();
	device_ = 0;
	audioStarted_ = false;
}

bool AudioOutput::DeviceLost() {
	if (device_ == 0) return false;
	const auto now = clock_();
	const int64_t queued = SDL_GetQueuedAudioSize(device_) / (2 * sizeof(int16_t));
	if (written_ - queued != taken_ || queued == 0 || paused_) {
		taken_ = written_ - queued;
		takenAt_ = now;
	}
	// SDL keeps taking a lost device's sound at its pace, heard by nobody, and
	// says it has stopped; a device whose server stopped answering takes nothing.
	if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED && now - takenAt_ < kTakesNothingLimit)
		return false;
	anchorFrame_ = AudibleFrame();
	anchorTime_ = now;
	CloseDevice();
	latencyFrames_ = 0;
	return true;
}

void AudioOutput::Write(const AudioBlock& block) {
	if (device_ != 0) {
		SDL_QueueAudio(device_, block.data(), static_cast<Uint32>(sizeof block));
	} else {
		const auto now = clock_();
		if (!paused_ && ClockFrame(now) > written_) {
			// Starved: what is written now is heard from now on, not in the past.
			anchorFrame_ = written_;
			anchorTime_ = now;
		}
	}
	written_ += kBlockFrames;
}

int64_t AudioOutput::ClockFrame(std::chrono::steady_clock::time_point now) const {
	if (paused_) return anchorFrame_;
	const double seconds = std::chrono::duration<double>(now - anchorTime_).count();
	return anchorFrame_ + static_cast<int64_t>(std::floor(seconds * sampleRate_));
}

int64_t AudioOutput::AudibleFrame() const {
	const int64_t heard =
	    device_ != 0
	        ? bufferClock_.Heard(written_ - SDL_GetQueuedAudioSize(device_) / (2 * sizeof(int16_t)), clock_())
	        : ClockFrame(clock_());
	return std::clamp(heard, base_, std::max(base_, written_));
}

void AudioOutput::SetPaused(bool paused) {
	if (paused == paused_) return;
	if (device_ != 0) {
		SDL_PauseAudioDevice(device_, paused ? 1 : 0);
		if (paused)
			bufferClock_.Pause(clock_());
		else
			bufferClock_.Resume(clock_());
	} else if (paused) {
		anchorFrame_ = std::min(ClockFrame(clock_()), written_);
	} else {
		anchorTime_ = clock_();
	}
	paused_ = paused;
}

void AudioOutput::Restart(int64_t frame) {
	if (device_ != 0) SDL_ClearQueuedAudio(device_);
	base_ = written_ = anchorFrame_ = frame;
	anchorTime_ = clock_();
	bufferClock_.Restart(frame, anchorTime_);
}
