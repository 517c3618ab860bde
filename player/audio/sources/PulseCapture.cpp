// One class for one state machine: connecting, following the default
// output or input, retrying when the server goes, and the stream, all moved
// by libpulse's callbacks on the mainloop's thread, which share the members
// that thread owns. Split across files, each part would need the others'
// state; kept whole, the callbacks read in the order the server calls them.
#include "audio/sources/PulseCapture.h"

#include <pulse/pulseaudio.h>

#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr pa_usec_t kRetryEvery = 1000000;
constexpr pa_usec_t kDefaultCheckEvery = 1000000;
constexpr pa_usec_t kOpenLimit = 5000000;
// How often the opening looks for a quit signal.
constexpr pa_usec_t kQuitCheckEvery = 100000;
// A live meter shows what plays now: a quarter of a second queued is plenty.
constexpr int64_t kCapacityFrames = kSampleRate / 4;

std::string Reason(pa_context* context) { return pa_strerror(pa_context_errno(context)); }

pa_time_event* After(pa_mainloop_api* api, pa_usec_t usec, pa_time_event_cb_t callback, void* userdata) {
	timeval when{};
	pa_timeval_add(pa_gettimeofday(&when), usec);
	return api->time_new(api, &when, callback, userdata);
}

std::string LabelOf(PulseCapture::Follow follow, const std::string& name) {
	switch (follow) {
	case PulseCapture::Follow::DefaultMonitor:
		return "monitor";
	case PulseCapture::Follow::DefaultInput:
		return "input";
	case PulseCapture::Follow::Named:
		break;
	}
	return name;
}

} // namespace

PulseCapture::PulseCapture(Follow follow, std::string name, std::stop_token stop)
    : LiveSource(kSampleRate, WhenFull::DropOldest, kCapacityFrames), follow_(follow), name_(std::move(name)),
      label_(LabelOf(follow_, name_)), stop_(std::move(stop)) {}

Expected<std::unique_ptr<PulseCapture>> PulseCapture::Open(Follow follow, const std::string& name,
                                                           std::stop_token stop) {
	std::unique_ptr<PulseCapture> capture(new PulseCapture(follow, name, std::move(stop)));
	capture->mainloop_ = pa_threaded_mainloop_new();
	if (!capture->mainloop_ || pa_threaded_mainloop_start(capture->mainloop_) < 0) {
		return Failure{"sound server: cannot start a thread to talk to it"};
	}
	pa_threaded_mainloop_lock(capture->mainloop_);
	pa_mainloop_api* api = pa_threaded_mainloop_get_api(capture->mainloop_);
	pa_time_event* limit = After(
	    api, kOpenLimit,
	    [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
		    static_cast<PulseCapture*>(self)->FailOpening("sound server: no answer within 5 seconds");
	    },
	    capture.get());
	pa_time_event* quitCheck = After(
	    api, kQuitCheckEvery,
	    [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
		    if (static_cast<PulseCapture*>(self)->stop_.stop_requested()) {
			    static_cast<PulseCapture*>(self)->FailOpening(
			        "interrupted while waiting for the sound server");
			    return;
		    }
		    timeval next{};
		    pa_timeval_add(pa_gettimeofday(&next), kQuitCheckEvery);
		    api->time_restart(event, &next);
	    },
	    capture.get());
	capture->Connect();
	while (capture->opening_ == Opening::Waiting)
		pa_threaded_mainloop_wait(capture->mainloop_);
	api->time_free(limit);
	api->time_free(quitCheck);
	const bool opened = capture->opening_ == Opening::Done;
	const std::string why = capture->openError_;
	if (opened && follow != Follow::Named)
		capture->defaultCheck_ = After(api, kDefaultCheckEvery, &PulseCapture::CheckDefault, capture.get());
	pa_threaded_mainloop_unlock(capture->mainloop_);
	if (!opened) return Failure{why};
	return capture;
}

PulseCapture::~PulseCapture() {
	Close();
	if (!mainloop_) return;
	pa_threaded_mainloop_lock(mainloop_);
	if (retry_) pa_threaded_mainloop_get_api(mainloop_)->time_free(retry_);
	if (defaultCheck_) pa_threaded_mainloop_get_api(mainloop_)->time_free(defaultCheck_);
	DropStream();
	if (context_) {
		pa_context_set_state_callback(context_, nullptr, nullptr);
		pa_context_set_subscribe_callback(context_, nullptr, nullptr);
		pa_context_disconnect(context_);
		pa_context_unref(context_);
	}
	pa_threaded_mainloop_unlock(mainloop_);
	pa_threaded_mainloop_stop(mainloop_);
	pa_threaded_mainloop_free(mainloop_);
}

void PulseCapture::FailOpening(const std::string& error) {
	if (opening_ != Opening::Waiting) return;
	opening_ = Opening::Failed;
	openError_ = error;
	pa_threaded_mainloop_signal(mainloop_, 0);
}

void PulseCapture::Connect() {
	if (context_) {
		pa_context_set_state_callback(context_, nullptr, nullptr);
		pa_context_set_subscribe_callback(context_, nullptr, nullptr);
		pa_context_unref(context_);
	}
	context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "vuplay");
	pa_context_set_state_callback(
	    context_, [](pa_context*, void* self) { static_cast<PulseCapture*>(self)->ContextChanged(); }, this);
	// Starting a server is the desktop's business, not a meter's.
	if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) Lost();
}

void PulseCapture::ContextChanged() {
	switch (pa_context_get_state(context_)) {
	case PA_CONTEXT_READY:
		if (serverGone_) {
			serverGone_ = false;
			Warn("the sound server is back");
		}
		pa_context_set_subscribe_callback(
		    context_,
		    [](pa_context*, pa_subscription_event_type_t, uint32_t, void* self) {
			    static_cast<PulseCapture*>(self)->Resolve();
		    },
		    this);
		pa_operation_unref(pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
		Resolve();
		break;
	case PA_CONTEXT_FAILED:
	case PA_CONTEXT_TERMINATED:
		Lost();
		break;
	default:
		break;
	}
}

void PulseCapture::Lost() {
	if (opening_ == Opening::Waiting) {
		// Refused: nothing listens where the server would be.
		FailOpening(pa_context_errno(context_) == PA_ERR_CONNECTIONREFUSED
		                ? kNoServer
		                : "sound server: " + Reason(context_));
		return;
	}
	DropStream();
	if (!serverGone_) {
		serverGone_ = true;
		// libpulse's reason ("Bad state", "Connection terminated") says the
		// same as this in its own terms.
		Warn("the sound server went away (stopped or restarted); the meters get silence, and it is looked "
		     "for again every second");
	}
	RetryInASecond();
}

void PulseCapture::RetryInASecond() {
	if (retry_) return;
	retry_ = After(pa_threaded_mainloop_get_api(mainloop_), kRetryEvery, &PulseCapture::Retry, this);
}

void PulseCapture::Retry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self) {
	auto* capture = static_cast<PulseCapture*>(self);
	api->time_free(event);
	capture->retry_ = nullptr;
	if (pa_context_get_state(capture->context_) == PA_CONTEXT_READY)
		capture->Resolve();
	else
		capture->Connect();
}

void PulseCapture::CheckDefault(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                                void* self) {
	auto* capture = static_cast<PulseCapture*>(self);
	if (capture->context_ && pa_context_get_state(capture->context_) == PA_CONTEXT_READY) capture->Resolve();
	timeval next{};
	pa_timeval_add(pa_gettimeofday(&next), kDefaultCheckEvery);
	api->time_restart(event, &next);
}

// Finds the input to record now and records it, unless it already does.
void PulseCapture::Resolve() {
	if (follow_ == Follow::Named) {
		Record(name_, {});
		return;
	}
	pa_operation* asked = pa_context_get_server_info(
	    context_,
	    [](pa_context*, const pa_server_info* info, void* self) {
		    static_cast<PulseCapture*>(self)->ServerInfo(info);
	    },
	    this);
	if (asked) pa_operation_unref(asked);
}

void PulseCapture::ServerInfo(const pa_server_info* info) {
	const char* output = info ? info->default_sink_name : nullptr;
	const char* input = info ? info->default_source_name : nullptr;
	if (follow_ == Follow::DefaultInput) {
		if (input && *input)
			Record(input, {});
		else
			FailOpening("sound server: it has no input");
		return;
	}
	if (!output || !*output) {
		FailOpening("sound server: it has no output to monitor");
		return;
	}
	if (stream_ && output_ == output) return;
	pa_operation* asked = pa_context_get_sink_info_by_name(
	    context_, output,
	    [](pa_context*, const pa_sink_info* sink, int last, void* self) {
		    auto* capture = static_cast<PulseCapture*>(self);
		    if (last < 0) capture->FailOpening("sound server: the default output has no monitor");
		    if (!last) capture->SinkInfo(sink);
	    },
	    this);
	if (asked) pa_operation_unref(asked);
}

void PulseCapture::SinkInfo(const pa_sink_info* sink) {
	if (!sink || !sink->monitor_source_name) return;
	if (stream_ && !output_.empty() && output_ != sink->name)
		Warn(std::string("the default output is now '") + sink->name + "'; metering what it plays");
	Record(sink->monitor_source_name, sink->name);
}

void PulseCapture::Record(const std::string& source, const std::string& output) {
	if (stream_ && source_ == source) return;
	DropStream();
	const pa_sample_spec format{PA_SAMPLE_S16LE, kSampleRate, 2};
	stream_ = pa_stream_new(context_, "meter", &format, nullptr);
	if (!stream_) {
		FailOpening("sound server: " + Reason(context_));
		RetryInASecond();
		return;
	}
	source_ = source;
	output_ = output;
	pa_stream_set_state_callback(
	    stream_,
	    [](pa_stream* stream, void* self) { static_cast<PulseCapture*>(self)->StreamChanged(stream); }, this);
	pa_stream_set_read_callback(
	    stream_,
	    [](pa_stream* stream, size_t, void* self) { static_cast<PulseCapture*>(self)->Readable(stream); },
	    this);
	// A block at a time; the default would be seconds.
	pa_buffer_attr sizes{};
	sizes.maxlength = static_cast<uint32_t>(-1);
	sizes.fragsize = kBlockFrames * 4;
	sizes.tlength = sizes.prebuf = sizes.minreq = static_cast<uint32_t>(-1);
	// The stream stays where it is put: following the default is done here.
	const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
	if (pa_stream_connect_record(stream_, source.c_str(), &sizes, flags) < 0) StreamChanged(stream_);
}

void PulseCapture::DropStream() {
	if (!stream_) return;
	pa_stream_set_state_callback(stream_, nullptr, nullptr);
	pa_stream_set_read_callback(stream_, nullptr, nullptr);
	pa_stream_disconnect(stream_);
	pa_stream_unref(stream_);
	stream_ = nullptr;
	source_.clear();
	output_.clear();
}

void PulseCapture::StreamChanged(pa_stream* stream) {
	if (stream != stream_) return;
	switch (pa_stream_get_state(stream)) {
	case PA_STREAM_READY:
		if (opening_ == Opening::Waiting) {
			opening_ = Opening::Done;
			pa_threaded_mainloop_signal(mainloop_, 0);
		}
		break;
	case PA_STREAM_FAILED:
	case PA_STREAM_TERMINATED:
		if (opening_ == Opening::Waiting) {
			FailOpening("'" + source_ + "': " + Reason(context_));
			break;
		}
		// The input went away with the server (handled there) or on its own.
		if (pa_context_get_state(context_) != PA_CONTEXT_READY) break;
		DropStream();
		RetryInASecond();
		break;
	default:
		break;
	}
}

void PulseCapture::Readable(pa_stream* stream) {
	const void* data = nullptr;
	size_t bytes = 0;
	while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
		const size_t frames = bytes / 4;
		if (data)
			Deliver(static_cast<const int16_t*>(data), frames);
		else // a hole: sound the server lost
			Deliver(std::vector<int16_t>(frames * 2).data(), frames);
		pa_stream_drop(stream);
	}
}
