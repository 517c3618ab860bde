// Live input from an SDL capture device, delivered as the player's blocks.
#pragma once

#include <memory>
#include <string>

#include "audio/AudioSource.h"

// [player thread] The device fills SDL's queue on its own thread; NextBlock
// takes 512 frames at a time from it.
class AudioCapture final : public AudioSource {
public:
	// Opens `device` by name, or the default capture device when empty, for
	// 16-bit stereo at 44100 Hz (SDL converts from what the device gives).
	// Returns null on failure with `error` naming the device and the reason.
	static std::unique_ptr<AudioCapture> Open(const std::string& device, std::string& error);
	~AudioCapture() override;

	AudioCapture(const AudioCapture&) = delete;
	AudioCapture& operator=(const AudioCapture&) = delete;

	std::string Name() const override { return name_; }
	int SampleRate() const override { return kSampleRate; }
	int64_t TotalFrames() const override { return -1; }
	int64_t Position() const override { return position_; }
	// Waits until a whole block has been captured. Fails when the device stops
	// or gives nothing for two seconds.
	bool NextBlock(AudioBlock& block) override;
	bool Seek(int64_t) override { return false; }
	std::string Error() const override { return error_; }

private:
	static constexpr int kSampleRate = 44100;

	AudioCapture(uint32_t device, std::string name) : device_(device), name_(std::move(name)) {}

	uint32_t device_; // SDL_AudioDeviceID, owned
	std::string name_;
	int64_t position_ = 0;
	std::string error_;
};
