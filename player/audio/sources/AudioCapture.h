// Live input from an SDL capture device (ALSA, say, where no sound server
// runs), delivered as the player's blocks.
#pragma once

#include <memory>
#include <string>

#include "audio/LiveSource.h"
#include "host/Expected.h"

// [player thread] Open, the destructor and LiveSource's calls; SDL delivers
// the sound on its own audio thread.
class AudioCapture final : public LiveSource {
public:
	// Opens `device` by name, or the default capture device when empty, for
	// 16-bit stereo at 44100 Hz (SDL converts from what the device gives).
	// Fails with one line naming the device and the reason.
	static Expected<std::unique_ptr<AudioCapture>> Open(const std::string& device);
	~AudioCapture() override;

	std::string Name() const override { return name_; }
	bool IsPlayed() const override { return false; }
	// Fails once the device has stopped for good (unplugged, say).
	bool NextBlock(AudioBlock& block) override;

private:
	static constexpr int kSampleRate = 44100;

	explicit AudioCapture(std::string name);

	uint32_t device_ = 0; // SDL_AudioDeviceID, owned
	std::string name_;
};
