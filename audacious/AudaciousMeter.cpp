#include "AudaciousMeter.h"

#include <cstring>

#include <libaudcore/audstrings.h>
#include <libaudcore/drct.h>
#include <libaudcore/interface.h>
#include <libaudcore/playlist.h>
#include <libaudcore/runtime.h>

#include "feed/LibraryFolder.h"
#include "feed/MeterFeed.h"

namespace {

// A key or a close box is answered within this.
constexpr int kPollMs = 100;

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

} // namespace

Expected<std::unique_ptr<AudaciousMeter>> AudaciousMeter::Start(const Setup& setup, MeterFeed& feed) {
	std::unique_ptr<AudaciousMeter> meter(new AudaciousMeter(setup, feed));
	auto started = PlayerMeter::Start(
	    {setup.addon, (LibraryFolder::Path() / "vu-meter-process").string(), PlaylistFiles(), "Audacious"},
	    feed, *meter);
	if (!started) return Failure{started.Error()};
	meter->meter_ = std::move(*started);
	meter->poll_.start(kPollMs, [meter = meter.get()] { meter->meter_->HandleEvents(); });
	return meter;
}

AudaciousMeter::~AudaciousMeter() {
	poll_.stop();
	meter_.reset();
}

void AudaciousMeter::Nudge() { feed_.Nudge(); }

void AudaciousMeter::TogglePause() { aud_drct_play_pause(); }

void AudaciousMeter::SeekBy(int64_t ms) {
	if (!aud_drct_get_playing()) return;
	int64_t to = aud_drct_get_time() + ms;
	if (const int length = aud_drct_get_length(); length > 0 && to > length) to = length;
	aud_drct_seek(static_cast<int>(to < 0 ? 0 : to));
}

void AudaciousMeter::Disable() {
	if (disabling_) return;
	disabling_ = true;
	poll_.stop();
	setup_.disable();
}

void AudaciousMeter::Show(const std::string& line) {
	aud_ui_show_error((setup_.title + ": " + line).c_str());
}

void AudaciousMeter::Log(const std::string& line, bool detail) {
	if (detail)
		AUDDBG("%s\n", line.c_str());
	else
		AUDINFO("%s\n", line.c_str());
}
