#include "audio/LiveInput.h"

#include "audio/helpers/SoundDevices.h"
#include "audio/sources/AudioCapture.h"
#include "audio/sources/PulseCapture.h"
#include "host/Printable.h"

namespace {

std::string WithDevices(const std::string& error, const SoundDevices& devices) {
	std::string list = devices.Format();
	list.pop_back();
	// The message stays one line whatever the name asked for holds; the list follows it.
	return Printable(error) + "; the devices are:\n" + list;
}

} // namespace

Expected<std::unique_ptr<LiveSource>> LiveInput::Open(Kind kind, const std::string& name,
                                                      std::stop_token stop) {
	if (kind == Kind::Monitor) {
		auto monitor = PulseCapture::Open(PulseCapture::Follow::DefaultMonitor, {}, stop);
		if (monitor) return monitor;
		return Failure{"--monitor: " + monitor.Error() +
		               (stop.stop_requested() || monitor.Error() == PulseCapture::kNoServer
		                    ? ""
		                    : "; it meters through PulseAudio or PipeWire's PulseAudio service")};
	}
	ServerAnswer answer = ServerAnswer::Absent;
	const Expected<SoundDevices> server = SoundDevices::FromServer(stop, &answer);
	// SDL would wait for a server that does not answer as long as it takes.
	if (answer == ServerAnswer::Silent || answer == ServerAnswer::Interrupted)
		return Failure{"--capture: sound server: " + server.Error()};
	if (!server) {
		auto capture = AudioCapture::Open(name);
		if (capture) return capture;
		// What the sound system said of its default device would puzzle more than help.
		if (name.empty())
			return Failure{
			    "--capture: no sound server answers, and no capture device opens without one; start a "
			    "server with 'systemctl --user start pipewire-pulse' or 'pulseaudio --start', or name a "
			    "device that --list-devices shows (--capture=NAME)"};
		return Failure{WithDevices(capture.Error(), SoundDevices::FromSdl(server.Error()))};
	}
	if (name.empty()) return PulseCapture::Open(PulseCapture::Follow::DefaultInput, {}, stop);
	if (!server->Input(name)) {
		const SoundDevice* output = server->Output(name);
		return Failure{WithDevices("--capture=" + name + ": no such input" +
		                               (output && !output->monitor.empty()
		                                    ? "; '" + name + "' is an output, and --capture=" +
		                                          output->monitor + " meters what it plays"
		                                    : ""),
		                           *server)};
	}
	return PulseCapture::Open(PulseCapture::Follow::Named, name, stop);
}
