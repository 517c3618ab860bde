#include "audio/AudioCapture.h"

#include <SDL.h>

#include <chrono>

#include "audio/Clause.h"
#include "audio/QuietStderr.h"

namespace {

std::string DeviceList() {
	std::string list;
	const int count = SDL_GetNumAudioDevices(1);
	for (int i = 0; i < count; i++) {
		const char* name = SDL_GetAudioDeviceName(i, 1);
		if (name) list += std::string(list.empty() ? "" : ", ") + "'" + name + "'";
	}
	return list.empty() ? "none" : list;
}

} // namespace

std::unique_ptr<AudioCapture> AudioCapture::Open(const std::string& device, std::string& error) {
	const std::string label = device.empty() ? "default capture device" : "capture device '" + device + "'";
	// The sound systems SDL tries say on standard error why they cannot record.
	QuietStderr quiet;
	if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
		error = label + ": " + Clause(SDL_GetError());
		return nullptr;
	}
	SDL_AudioSpec want{};
	want.freq = kSampleRate;
	want.format = AUDIO_S16SYS;
	want.channels = 2;
	want.samples = kBlockFrames;
	SDL_AudioSpec have{};
	const SDL_AudioDeviceID id =
	    SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 1, &want, &have, 0);
	if (id == 0) {
		error = label + ": " + Clause(SDL_GetError()) + " (capture devices: " + DeviceList() + ")";
		SDL_QuitSubSystem(SDL_INIT_AUDIO);
		return nullptr;
	}
	SDL_PauseAudioDevice(id, 0);
	return std::unique_ptr<AudioCapture>(new AudioCapture(id, device.empty() ? "input" : device));
}

AudioCapture::~AudioCapture() {
	SDL_CloseAudioDevice(device_);
	SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioCapture::NextBlock(AudioBlock& block) {
	if (!error_.empty()) return false;
	const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
	while (SDL_GetQueuedAudioSize(device_) < sizeof block) {
		if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
			error_ = name_ + ": capture stopped";
			return false;
		}
		if (std::chrono::steady_clock::now() > deadline) {
			error_ = name_ + ": no input for two seconds";
			return false;
		}
		SDL_Delay(2);
	}
	SDL_DequeueAudio(device_, block.data(), static_cast<Uint32>(sizeof block));
	position_ += kBlockFrames;
	return true;
}
