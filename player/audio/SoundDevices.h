// The outputs and inputs there are, as the sound server (or, without one, SDL)
// offers them, for --list-devices and for a --capture name that is wrong.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SoundDevice {
	enum class Kind { Output, Input };
	Kind kind = Kind::Output;
	std::string name;        // what --capture=NAME takes, for an input
	std::string description; // what the desktop shows
	bool isDefault = false;
	bool monitorsDefault = false; // an input that carries what the default output plays
	std::string monitor;          // an output's monitor: the input that carries what it plays
};

// [player thread]
class SoundDevices {
public:
	// Asks the sound server the environment names (PULSE_SERVER, else the
	// user's own), never starting one. Nothing when none answers, with `why`
	// saying why.
	static std::optional<SoundDevices> FromServer(std::string& why);
	// What SDL's audio driver offers (ALSA, say), for a machine without a
	// sound server, `why` none answered. Devices are named by their descriptions.
	static SoundDevices FromSdl(const std::string& why);

	// "sound server: SERVER", then one device a line:
	// "output  NAME  DESCRIPTION (default)".
	std::string Format() const;
	// The input of that name; null when there is none.
	const SoundDevice* Input(const std::string& name) const;
	// The output of that name; null when there is none.
	const SoundDevice* Output(const std::string& name) const;

	std::string server; // who answered: "pulseaudio 16.1 at unix:/run/user/1000/pulse/native"
	std::vector<SoundDevice> devices;
};
