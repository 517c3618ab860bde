#include "LiveInput.h"

#include "AudioCapture.h"
#include "PulseCapture.h"
#include "SoundDevices.h"

std::unique_ptr<LiveSource> LiveInput::Open(const Options& options, std::string& error) {
	if (options.monitor) {
		auto monitor = PulseCapture::Open(PulseCapture::Follow::DefaultMonitor, {}, error);
		if (!monitor)
			error = "--monitor: " + error + "; it meters through PulseAudio or PipeWire's PulseAudio service";
		return monitor;
	}
	std::string why;
	const std::optional<SoundDevices> server = SoundDevices::FromServer(why);
	if (!server) return AudioCapture::Open(options.captureDevice, error);
	const std::string& name = options.captureDevice;
	if (name.empty()) return PulseCapture::Open(PulseCapture::Follow::DefaultInput, {}, error);
	if (!server->Input(name)) {
		const SoundDevice* output = server->Output(name);
		error =
		    "--capture=" + name + ": no such input" +
		    (output && !output->monitor.empty()
		         ? "; '" + name + "' is an output, and --capture=" + output->monitor + " meters what it plays"
		         : "") +
		    "; the devices are:\n" + server->Format();
		error.pop_back();
		return nullptr;
	}
	return PulseCapture::Open(PulseCapture::Follow::Named, name, error);
}
