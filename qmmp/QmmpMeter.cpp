#include "QmmpMeter.h"

#include <algorithm>

#include <QLoggingCategory>
#include <QMessageBox>

#include <qmmp/soundcore.h>
#include <qmmpui/mediaplayer.h>
#include <qmmpui/playlistmanager.h>
#include <qmmpui/playlistmodel.h>
#include <qmmpui/playlisttrack.h>

#include "feed/LibraryFolder.h"
#include "feed/MeterFeed.h"
#include "feed/PlayerClock.h"

namespace {

// A key or a close box is answered within this.
constexpr int kPollMs = 100;

// Each message a meter window sends: QT_LOGGING_RULES="vumeters.detail.debug=true".
Q_LOGGING_CATEGORY(kDetail, "vumeters.detail", QtInfoMsg)

// The local files of every playlist, which no trace may write over.
std::vector<std::string> PlaylistFiles() {
	std::vector<std::string> files;
	PlayListManager* manager = PlayListManager::instance();
	if (!manager) return files;
	for (PlayListModel* playlist : manager->playLists())
		for (int index = 0; index < playlist->trackCount(); index++)
			if (const PlayListTrack* track = playlist->findTrack(index);
			    track && track->path().startsWith('/'))
				files.push_back(track->path().toStdString());
	return files;
}

} // namespace

Expected<std::unique_ptr<QmmpMeter>> QmmpMeter::Start(const Setup& setup, MeterFeed& feed,
                                                      PlayerClock& clock) {
	std::unique_ptr<QmmpMeter> meter(new QmmpMeter(setup, clock));
	auto started = PlayerMeter::Start(
	    {setup.addon, (LibraryFolder::Path() / "vu-meter-process").string(), PlaylistFiles(), "Qmmp"}, feed,
	    *meter);
	if (!started) return Failure{started.Error()};
	meter->meter_ = std::move(*started);
	QObject::connect(&meter->poll_, &QTimer::timeout,
	                 [meter = meter.get()] { meter->meter_->HandleEvents(); });
	meter->poll_.start(kPollMs);
	// Qmmp tells of a pause, a resume, a seek or a stop as it happens: the
	// feed reads its clock at once, so that the meter stops or goes on with
	// the sound.
	if (SoundCore* core = SoundCore::instance()) {
		const auto nudge = [&feed] { feed.Nudge(); };
		meter->nudges_.push_back(QObject::connect(core, &SoundCore::stateChanged, nudge));
		meter->nudges_.push_back(QObject::connect(core, &SoundCore::elapsedChanged, nudge));
	}
	return meter;
}

QmmpMeter::~QmmpMeter() {
	for (const QMetaObject::Connection& nudge : nudges_)
		QObject::disconnect(nudge);
	poll_.stop();
	meter_.reset();
}

void QmmpMeter::TogglePause() {
	SoundCore* core = SoundCore::instance();
	if (core->state() == Qmmp::Playing || core->state() == Qmmp::Paused)
		core->pause();
	else
		MediaPlayer::instance()->play();
}

void QmmpMeter::SeekBy(int64_t ms) {
	SoundCore* core = SoundCore::instance();
	const ClockReading reading = clock_.Read();
	if (!reading.playing) return;
	int64_t to = std::max<int64_t>(reading.songMs + ms, 0);
	if (const qint64 length = core->duration(); length > 0) to = std::min<int64_t>(to, length);
	core->seek(to);
}

void QmmpMeter::Disable() {
	if (disabling_) return;
	disabling_ = true;
	poll_.stop();
	setup_.disable();
}

void QmmpMeter::Show(const std::string& line) {
	// Not modal: Qmmp plays on, and the meters with it, while it is shown.
	auto* box = new QMessageBox(QMessageBox::Warning, "Qmmp",
	                            QString::fromStdString(setup_.title + ": " + line), QMessageBox::Ok);
	box->setAttribute(Qt::WA_DeleteOnClose);
	box->setModal(false);
	box->show();
}

void QmmpMeter::Log(const std::string& line, bool detail) {
	if (detail)
		qCDebug(kDetail, "%s", line.c_str());
	else
		qInfo("%s", line.c_str());
}
