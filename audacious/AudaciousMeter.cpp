#include "AudaciousMeter.h"

#include <cstdlib>
#include <cstring>

#include <libaudcore/audstrings.h>
#include <libaudcore/drct.h>
#include <libaudcore/interface.h>
#include <libaudcore/playlist.h>
#include <libaudcore/runtime.h>

#include "feed/MeterFeed.h"

#include "LibraryFolder.h"

extern char** environ;

namespace {

// A key or a close box is answered within this.
constexpr int kPollMs = 50;
constexpr int kSeekMs = 5000;
constexpr const char kProgram[] = "vu-meter-process";

// The local files of every playlist, which no trace may write over.
std::vector<std::string> PlaylistFiles() {
	std::vector<std::string> files;
	for (int list = 0; list < Playlist::n_playlists(); list++) {
		const Playlist playlist = Playlist::by_index(list);
		for (int entry = 0; entry < playlist.n_entries(); entry++) {
			const String uri = playlist.entry_filename(entry);
			if (!uri || std::strncmp(uri, "file://", 7) != 0) continue;
			StringBuf path = uri_to_filename(uri);
			if (path) files.emplace_back(static_cast<const char*>(path));
		}
	}
	return files;
}

// The other meters' trace variables that are set, "NAME=PATH".
std::vector<std::string> OtherTraces(const std::string& own) {
	std::vector<std::string> traces;
	for (char** variable = environ; *variable; variable++) {
		const std::string entry = *variable;
		const size_t equals = entry.find('=');
		const std::string name = entry.substr(0, equals);
		if (equals + 1 < entry.size() && name != own && name.starts_with("VUMETERS_") &&
		    name.ends_with("_TRACE"))
			traces.push_back(entry);
	}
	return traces;
}

} // namespace

AudaciousMeter::AudaciousMeter(Setup setup, MeterFeed& feed, std::unique_ptr<MeterProcess> process)
    : setup_(std::move(setup)), feed_(feed), process_(std::move(process)) {}

Expected<std::unique_ptr<AudaciousMeter>> AudaciousMeter::Start(const Setup& setup, MeterFeed& feed) {
	MeterProcess::Launch launch;
	launch.program = (LibraryFolder::Path() / kProgram).string();
	launch.name = setup.addon;
	launch.arguments = {"--addon", setup.addon};
	if (const char* trace = std::getenv(setup.traceVariable.c_str()); trace && *trace)
		launch.arguments.insert(launch.arguments.end(),
		                        {"--trace", trace, "--trace-name", setup.traceVariable});
	for (const std::string& other : OtherTraces(setup.traceVariable))
		launch.arguments.insert(launch.arguments.end(), {"--other-trace", other});
	launch.inputs = PlaylistFiles();
	auto process = MeterProcess::Start(launch);
	if (!process) return Failure{process.Error()};
	std::unique_ptr<AudaciousMeter> meter(new AudaciousMeter(setup, feed, std::move(*process)));
	feed.Add(*meter->process_);
	meter->poll_.start(kPollMs, [meter = meter.get()] { meter->HandleEvents(); });
	return meter;
}

AudaciousMeter::~AudaciousMeter() {
	poll_.stop();
	feed_.Remove(*process_);
	const MeterProcess::Ending ending = process_->End();
	const auto ms = [](int32_t us) { return (us + 500) / 1000; };
	AUDINFO(
	    "%s: %lld blocks from Audacious, %lld of them rendered, %lld silent blocks after a stop; "
	    "of %lld timed, 99 %% rendered within %d ms of being heard, half within %d ms, the latest %d ms\n",
	    setup_.addon.c_str(), static_cast<long long>(process_->BlocksOffered()),
	    static_cast<long long>(ending.timing.rendered), static_cast<long long>(ending.timing.silent),
	    static_cast<long long>(ending.timing.measured), ms(ending.timing.p99Us), ms(ending.timing.medianUs),
	    ms(ending.timing.latestUs));
	for (const std::string& report : ending.reports)
		Show(report);
	if (!ending.failure.empty()) Show(ending.failure);
}

void AudaciousMeter::HandleEvents() {
	for (const MeterProcess::Event& event : process_->TakeEvents()) {
		switch (event.kind) {
		case MeterProcess::Event::Kind::Key:
			Act(event.key);
			break;
		case MeterProcess::Event::Kind::Log:
			AUDDBG("%s: %s\n", setup_.addon.c_str(), event.text.c_str());
			break;
		case MeterProcess::Event::Kind::Report:
			Show(event.text);
			break;
		case MeterProcess::Event::Kind::Closed:
			break;
		case MeterProcess::Event::Kind::Stopped:
			if (!event.text.empty()) Show(event.text);
			Closed();
			break;
		}
	}
}

void AudaciousMeter::Act(meter_protocol::Key key) {
	switch (key) {
	case meter_protocol::Key::TogglePause:
		aud_drct_play_pause();
		break;
	case meter_protocol::Key::SeekBack:
	case meter_protocol::Key::SeekForward:
		if (aud_drct_get_playing()) {
			int to = aud_drct_get_time() + (key == meter_protocol::Key::SeekBack ? -kSeekMs : kSeekMs);
			if (const int length = aud_drct_get_length(); length > 0 && to > length) to = length;
			aud_drct_seek(to < 0 ? 0 : to);
		}
		break;
	}
}

void AudaciousMeter::Closed() {
	if (closed_) return;
	closed_ = true;
	poll_.stop();
	setup_.disable();
}

void AudaciousMeter::Show(const std::string& line) const {
	aud_ui_show_error((setup_.title + ": " + line).c_str());
}
