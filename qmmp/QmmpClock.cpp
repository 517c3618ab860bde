#include "QmmpClock.h"

#include <QObject>

#include <qmmp/qmmpsettings.h>
#include <qmmp/soundcore.h>
#include <qmmp/statehandler.h>

namespace {

SteppedClock::State StateOf(Qmmp::State state) {
	switch (state) {
	case Qmmp::Playing:
	case Qmmp::Buffering:
		return SteppedClock::State::Playing;
	case Qmmp::Paused:
		return SteppedClock::State::Paused;
	default:
		return SteppedClock::State::Stopped;
	}
}

} // namespace

void QmmpClock::Listen() {
	if (listener_ || !StateHandler::instance()) return;
	listener_ = new QObject();
	// Direct: on the output's thread as it tells, inside Qmmp's own lock, so
	// the stepped clock calls nothing of Qmmp's.
	QObject::connect(
	    StateHandler::instance(), &StateHandler::elapsedChanged, listener_,
	    [this](qint64 ms) { stepped_.Told(ms, SteppedClock::Clock::now()); }, Qt::DirectConnection);
}

void QmmpClock::Guess() {
	bufferMs_ = QmmpSettings::instance()->bufferSize();
	SoundCore* core = SoundCore::instance();
	if (core && StateOf(core->state()) != SteppedClock::State::Stopped)
		stepped_.Guess(core->elapsed(), SteppedClock::Clock::now());
}

ClockReading QmmpClock::Read() {
	// Qmmp's state first: its lock is never taken inside the stepped clock's.
	SoundCore* core = SoundCore::instance();
	const SteppedClock::State state = core ? StateOf(core->state()) : SteppedClock::State::Stopped;
	return stepped_.Read(state, SteppedClock::Clock::now());
}

int64_t QmmpClock::TypicalDelayMs() { return bufferMs_.load() + stepped_.OutputDelayMs(); }
