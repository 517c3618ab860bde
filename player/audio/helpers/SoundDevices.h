// The outputs and inputs there are, as the sound server (or, without one, SDL)
// offers them, for --list-devices and for a --capture name that is wrong.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "host/Expected.h"

// How the sound server that the environment names (PULSE_SERVER, else the
// user's own) answered.
enum class ServerAnswer {
	Answered,    // it is there
	Absent,      // none is there, or it refused at once: other sound systems may be used
	Silent,      // one is there but says nothing (stopped, hung): whoever waits for it waits forever
	Interrupted, // a stop was requested first
};

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
	static constexpr int kAnswerSeconds = 5;

	// Asks the sound server the environment names (PULSE_SERVER, else the
	// user's own), never starting one, waiting at most kAnswerSeconds and
	// until a stop is requested of `stop`. Fails when none answers, saying
	// why, and `answer`, when given, tells how it answered.
	static Expected<SoundDevices> FromServer(std::stop_token stop, ServerAnswer* answer = nullptr);
	// Only whether the server answers, as FromServer would find it.
	static Expected<void> Probe(std::stop_token stop, ServerAnswer* answer = nullptr);
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
