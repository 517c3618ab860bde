#include "audio/helpers/SoundDevices.h"

#include <SDL.h>
#include <pulse/pulseaudio.h>

#include "audio/helpers/Clause.h"
#include "audio/helpers/QuietStderr.h"
#include <algorithm>
#include <chrono>
#include <stop_token>
#include <utility>

namespace {

// Long enough not to spin, short enough that a quit is seen at once.
constexpr int kSliceUsec = 100000;

// One exchange with the server on a mainloop of its own, run on the calling
// thread in slices, so that neither a server that never answers nor a stop
// request is missed.
class ServerQuery {
public:
	enum class Ask { Nothing, Devices };

	ServerQuery(Ask ask, std::stop_token stop)
	    : ask_(ask), stop_(std::move(stop)), mainloop_(pa_mainloop_new()),
	      context_(pa_context_new(pa_mainloop_get_api(mainloop_), "vuplay")) {}
	~ServerQuery() {
		pa_context_disconnect(context_);
		pa_context_unref(context_);
		pa_mainloop_free(mainloop_);
	}
	ServerQuery(const ServerQuery&) = delete;
	ServerQuery& operator=(const ServerQuery&) = delete;

	ServerAnswer Run(std::string& why) {
		pa_context_set_state_callback(context_, &ServerQuery::StateChanged, this);
		const auto limit =
		    std::chrono::steady_clock::now() + std::chrono::seconds(SoundDevices::kAnswerSeconds);
		if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
			Finish(ServerAnswer::Absent, pa_strerror(pa_context_errno(context_)));
		while (!done_) {
			if (stop_.stop_requested())
				Finish(ServerAnswer::Interrupted, "interrupted while waiting for it");
			else if (std::chrono::steady_clock::now() >= limit)
				Finish(ServerAnswer::Silent,
				       "no answer within " + std::to_string(SoundDevices::kAnswerSeconds) + " seconds");
			else if (pa_mainloop_prepare(mainloop_, kSliceUsec) < 0 || pa_mainloop_poll(mainloop_) < 0 ||
			         pa_mainloop_dispatch(mainloop_) < 0)
				Finish(ServerAnswer::Absent, "its connection failed");
		}
		why = error_;
		return answer_;
	}
	const SoundDevices& Devices() const { return devices_; }

private:
	void Finish(ServerAnswer answer, const std::string& error) {
		if (done_) return;
		done_ = true;
		answer_ = answer;
		error_ = error;
	}
	// One of the three answers is in.
	void Answered() {
		if (--pending_ > 0) return;
		MarkDefaults();
		Finish(ServerAnswer::Answered, {});
	}

	static void StateChanged(pa_context* context, void* userdata) {
		auto* self = static_cast<ServerQuery*>(userdata);
		switch (pa_context_get_state(context)) {
		case PA_CONTEXT_READY:
			if (self->ask_ == Ask::Nothing) {
				self->Finish(ServerAnswer::Answered, {});
				break;
			}
			self->pending_ = 3;
			pa_operation_unref(pa_context_get_server_info(context, &ServerQuery::Server, self));
			pa_operation_unref(pa_context_get_sink_info_list(context, &ServerQuery::Sink, self));
			pa_operation_unref(pa_context_get_source_info_list(context, &ServerQuery::Source, self));
			break;
		case PA_CONTEXT_FAILED:
		case PA_CONTEXT_TERMINATED:
			self->Finish(ServerAnswer::Absent, pa_strerror(pa_context_errno(context)));
			break;
		default:
			break;
		}
	}
	static void Server(pa_context* context, const pa_server_info* info, void* userdata) {
		auto* self = static_cast<ServerQuery*>(userdata);
		if (info) {
			self->devices_.server = std::string(info->server_name) + " " + info->server_version;
			if (const char* where = pa_context_get_server(context))
				self->devices_.server += std::string(" at ") + where;
			self->defaultOutput_ = info->default_sink_name ? info->default_sink_name : "";
			self->defaultInput_ = info->default_source_name ? info->default_source_name : "";
		}
		self->Answered();
	}
	static void Sink(pa_context*, const pa_sink_info* info, int last, void* userdata) {
		auto* self = static_cast<ServerQuery*>(userdata);
		if (last) {
			self->Answered();
			return;
		}
		self->devices_.devices.push_back({SoundDevice::Kind::Output, info->name, info->description, false,
		                                  false, info->monitor_source_name ? info->monitor_source_name : ""});
	}
	static void Source(pa_context*, const pa_source_info* info, int last, void* userdata) {
		auto* self = static_cast<ServerQuery*>(userdata);
		if (last) {
			self->Answered();
			return;
		}
		self->devices_.devices.push_back(
		    {SoundDevice::Kind::Input, info->name, info->description, false, false, {}});
	}
	// Once every answer is in: outputs first, and which devices are the defaults.
	void MarkDefaults() {
		std::stable_sort(devices_.devices.begin(), devices_.devices.end(),
		                 [](const SoundDevice& a, const SoundDevice& b) { return a.kind < b.kind; });
		const SoundDevice* output = devices_.Output(defaultOutput_);
		const std::string defaultMonitor = output ? output->monitor : "";
		for (SoundDevice& device : devices_.devices) {
			const bool output = device.kind == SoundDevice::Kind::Output;
			device.isDefault = device.name == (output ? defaultOutput_ : defaultInput_);
			device.monitorsDefault = !output && device.name == defaultMonitor;
		}
	}

	const Ask ask_;
	const std::stop_token stop_;
	pa_mainloop* mainloop_;
	pa_context* context_;
	SoundDevices devices_;
	std::string defaultOutput_, defaultInput_;
	int pending_ = 0;
	bool done_ = false;
	ServerAnswer answer_ = ServerAnswer::Absent;
	std::string error_;
};

} // namespace

Expected<SoundDevices> SoundDevices::FromServer(std::stop_token stop, ServerAnswer* answer) {
	ServerQuery query(ServerQuery::Ask::Devices, std::move(stop));
	std::string why;
	const ServerAnswer answered = query.Run(why);
	if (answer) *answer = answered;
	if (answered != ServerAnswer::Answered) return Failure{why};
	return query.Devices();
}

Expected<void> SoundDevices::Probe(std::stop_token stop, ServerAnswer* answer) {
	std::string why;
	const ServerAnswer answered = ServerQuery(ServerQuery::Ask::Nothing, std::move(stop)).Run(why);
	if (answer) *answer = answered;
	if (answered != ServerAnswer::Answered) return Failure{why};
	return {};
}

SoundDevices SoundDevices::FromSdl(const std::string& why) {
	SoundDevices list;
	list.server = "none answers (" + why + ")";
	// The sound systems SDL tries say on standard error why they cannot be used.
	QuietStderr quiet;
	if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
		list.server += "; no sound system either: " + Clause(SDL_GetError());
		return list;
	}
	list.server += std::string("; the devices of SDL's ") + SDL_GetCurrentAudioDriver() + " driver";
	for (const int capture : {0, 1}) {
		const int count = SDL_GetNumAudioDevices(capture);
		for (int i = 0; i < count; i++)
			if (const char* name = SDL_GetAudioDeviceName(i, capture))
				list.devices.push_back({capture ? SoundDevice::Kind::Input : SoundDevice::Kind::Output,
				                        name,
				                        {},
				                        false,
				                        false,
				                        {}});
	}
	SDL_QuitSubSystem(SDL_INIT_AUDIO);
	return list;
}

std::string SoundDevices::Format() const {
	size_t width = 0;
	for (const SoundDevice& device : devices)
		width = std::max(width, device.name.size());
	std::string text = "sound server: " + server + "\n";
	for (const SoundDevice& device : devices) {
		const bool output = device.kind == SoundDevice::Kind::Output;
		std::string line = (output ? "output  " : "input   ") + device.name;
		if (!device.description.empty())
			line += std::string(width + 2 - device.name.size(), ' ') + device.description;
		std::vector<std::string> marks;
		if (device.isDefault) marks.emplace_back("default");
		if (device.monitorsDefault) marks.emplace_back("what the default output plays: --monitor");
		for (size_t i = 0; i < marks.size(); i++)
			line += (i == 0 ? " (" : "; ") + marks[i] + (i + 1 == marks.size() ? ")" : "");
		text += line + "\n";
	}
	if (devices.empty()) text += "no devices\n";
	return text;
}

namespace {

const SoundDevice* Find(const std::vector<SoundDevice>& devices, SoundDevice::Kind kind,
                        const std::string& name) {
	const auto found = std::find_if(devices.begin(), devices.end(), [&](const SoundDevice& device) {
		return device.kind == kind && device.name == name;
	});
	return found == devices.end() ? nullptr : &*found;
}

} // namespace

const SoundDevice* SoundDevices::Input(const std::string& name) const {
	return Find(devices, SoundDevice::Kind::Input, name);
}

const SoundDevice* SoundDevices::Output(const std::string& name) const {
	return Find(devices, SoundDevice::Kind::Output, name);
}
