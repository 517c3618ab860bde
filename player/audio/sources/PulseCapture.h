// Live input from the sound server (PulseAudio, or PipeWire's PulseAudio
// service): the monitor of the default output, which carries what every
// program plays, the default input, or an input by name.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "audio/LiveSource.h"
#include "host/Expected.h"

struct pa_context;
struct pa_mainloop_api;
struct pa_sink_info;
struct pa_server_info;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

// Records 16-bit stereo at 44100 Hz, the server converting from what the
// input gives, a block at a time so that the meters lag little.
//
// Follows the server: when the default output (or input) changes, the stream
// moves to the new one's monitor (or to it) as soon as the server says so,
// and within a second where the server's notice came before the change or
// not at all (PipeWire's service may tell of a change before it is made).
// When the server goes away, a warning says so once and a new connection is
// tried every second; meanwhile, and whenever the input sends nothing, the
// player gets silent blocks (LiveSource). An input by name that goes away is
// tried again every second as well.
//
// [player thread] Open, the destructor and LiveSource's calls. Every libpulse
// callback runs on the mainloop's own thread ("pulse thread"), which owns the
// members below `mainloop_`; the player thread touches them only with the
// mainloop locked, while opening and closing.
class PulseCapture final : public LiveSource {
public:
	enum class Follow {
		DefaultMonitor, // the default output's monitor: what the desktop plays
		DefaultInput,   // the default input
		Named,          // the input of the name given
	};

	// What Open's error says when no server runs at all.
	static constexpr const char* kNoServer =
	    "no sound server runs for this user; start one with 'systemctl --user start pipewire-pulse' or "
	    "'pulseaudio --start'";

	// Connects to the server that the environment names (PULSE_SERVER, else
	// the user's own), never starting one, and starts recording. Fails with
	// one line: no server runs (kNoServer), none
	// answers within 5 seconds, a stop was requested of `stop` first, or the
	// input cannot be recorded.
	static Expected<std::unique_ptr<PulseCapture>> Open(Follow follow, const std::string& name,
	                                                    std::stop_token stop);
	~PulseCapture() override;

	std::string Name() const override { return label_; }
	bool IsPlayed() const override { return false; }

private:
	enum class Opening { Waiting, Done, Failed };

	PulseCapture(Follow follow, std::string name, std::stop_token stop);

	// [pulse thread] unless said otherwise
	void Connect();
	void Resolve();
	void Record(const std::string& source, const std::string& output);
	void DropStream();
	void RetryInASecond();
	void FailOpening(const std::string& error);
	void ContextChanged();
	// The connection failed or ended: fails the opening, or tries again.
	void Lost();
	void StreamChanged(pa_stream* stream);
	void ServerInfo(const pa_server_info* info);
	void SinkInfo(const pa_sink_info* info);
	void Readable(pa_stream* stream);
	static void Retry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self);
	static void CheckDefault(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self);

	const Follow follow_;
	const std::string name_;
	const std::string label_;
	const std::stop_token stop_; // ends the wait for the server while opening

	pa_threaded_mainloop* mainloop_ = nullptr; // owned
	pa_context* context_ = nullptr;            // owned; null between connections
	pa_stream* stream_ = nullptr;              // owned; null while not recording
	pa_time_event* retry_ = nullptr;           // owned; the next attempt, when one is due
	pa_time_event* defaultCheck_ = nullptr;    // owned; while following a default
	std::string source_;                       // what stream_ records
	std::string output_;                       // the default output whose monitor it is
	bool serverGone_ = false;                  // said so; to say when it is back
	Opening opening_ = Opening::Waiting;       // read by Open with the mainloop locked
	std::string openError_;
};
