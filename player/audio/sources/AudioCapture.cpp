#include "audio/sources/AudioCapture.h"

#include <SDL.h>

#include "audio/helpers/Clause.h"
#include "audio/helpers/QuietStderr.h"

AudioCapture::AudioCapture(std::string name)
    : LiveSource(kSampleRate, WhenFull::DropOldest, kSampleRate / 4), name_(std::move(name)) {}

Expected<std::unique_ptr<AudioCapture>> AudioCapture::Open(const std::string& device) {
	const std::string label = device.empty() ? "default capture device" : "capture device '" + device + "'";
	// The sound systems SDL tries say on standard error why they cannot record.
	QuietStderr quiet;
	if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
		return Failure{label + ": " + Clause(SDL_GetError())};
	}
	std::unique_ptr<AudioCapture> capture(new AudioCapture(device.empty() ? "input" : device));
	SDL_AudioSpec want{};
	want.freq = kSampleRate;
	want.format = AUDIO_S16SYS;
	want.channels = 2;
	want.samples = kBlockFrames;
	want.userdata = capture.get();
	want.callback = [](void* self, Uint8* stream, int bytes) {
		static_cast<AudioCapture*>(self)->Deliver(reinterpret_cast<const int16_t*>(stream),
		                                          static_cast<size_t>(bytes) / 4);
	};
	SDL_AudioSpec have{};
	capture->device_ = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 1, &want, &have, 0);
	if (capture->device_ == 0) {
		const std::string why = label + ": " + Clause(SDL_GetError());
		SDL_QuitSubSystem(SDL_INIT_AUDIO);
		return Failure{why};
	}
	SDL_PauseAudioDevice(capture->device_, 0);
	return capture;
}

AudioCapture::~AudioCapture() {
	if (device_ == 0) return;
	Close();
	SDL_CloseAudioDevice(device_);
	SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioCapture::NextBlock(AudioBlock& block) {
	if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) Fail(name_ + ": capture stopped");
	return LiveSource::NextBlock(block);
}
