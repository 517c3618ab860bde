#include "audio/LiveInput.h"

#include "audio/AudioCapture.h"
#include "audio/PulseCapture.h"
#include "audio/SoundDevices.h"
#include "host/Printable.h"

namespace {

std::string WithDevices(const std::string& error, const SoundDevices& devices) {
	std::string list = devices.Format();
	list.pop_back();
	// The message stays one line whatever the name asked for holds; the list follows it.
	return Printable(error) + "; the devices are:\n" + list;
}

} // namespace

std::unique_ptr<LiveSource> LiveInput::Open(Kind kind, const std::string& name, std::stop_token stop,
                                            std::string& error) {
	if (kind == Kind::Monitor) {
		auto monitor = PulseCapture::Open(PulseCapture::Follow::DefaultMonitor, {}, stop, error);
		if (!monitor)
			error = "--monitor: " + error +
			        (stop.stop_requested() || error == PulseCapture::kNoServer
			             ? ""
			             : "; it meters through PulseAudio or PipeWire's PulseAudio service");
		return monitor;
	}
	std::string why;
	ServerAnswer answer = ServerAnswer::Absent;
	const std::optional<SoundDevices> server = SoundDevices::FromServer(stop, why, &answer);
	// SDL would wait for a server that does not answer as long as it takes.
	if (answer == ServerAnswer::Silent || answer == ServerAnswer::Interrupted) {
		error = "--capture: sound server: " + why;
		return nullptr;
	}
	if (!server) {
		auto capture = AudioCapture::Open(name, error);
		// What the sound system said of its default device would puzzle more than help.
		if (!capture && name.empty())
			error = "--capture: no sound server answers, and no capture device opens without one; start a "
			        "server with 'systemctl --user start pipewire-pulse' or 'pulseaudio --start', or name a "
			        "device that --list-devices shows (--capture=NAME)";
		else if (!capture)
			error = WithDevices(error, SoundDevices::FromSdl(why));
		return capture;
	}
	if (name.empty()) return PulseCapture::Open(PulseCapture::Follow::DefaultInput, {}, stop, error);
	if (!server->Input(name)) {
		const SoundDevice* output = server->Output(name);
		error = WithDevices("--capture=" + name + ": no such input" +
		                        (output && !output->monitor.empty()
		                             ? "; '" + name + "' is an output, and --capture=" + output->monitor +
		                                   " meters what it plays"
		                             : ""),
		                    *server);
		return nullptr;
	}
	return PulseCapture::Open(PulseCapture::Follow::Named, name, stop, error);
}
