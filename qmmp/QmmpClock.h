// Qmmp's account of what is heard, as a meter follows it: Qmmp's tellings
// of the time, taken on its output's thread as they are made, through the
// stepped clock, and its state.
#pragma once

#include <atomic>

#include "feed/PlayerClock.h"

#include "SteppedClock.h"

class QObject;

// [any thread] Read, TypicalDelayMs. Listen and Guess on Qmmp's main thread.
class QmmpClock final : public PlayerClock {
public:
	explicit QmmpClock(SteppedClock& stepped) : stepped_(stepped) {}

	// Takes Qmmp's tellings from now on; once is enough.
	void Listen();
	// A meter starts: where the song now playing is, to within Qmmp's step,
	// and Qmmp's buffer as now set.
	void Guess();

	ClockReading Read() override;
	// Qmmp's buffer and the output's delay.
	int64_t TypicalDelayMs() override;

private:
	SteppedClock& stepped_;
	QObject* listener_ = nullptr; // kept for the rest of the process
	std::atomic<int64_t> bufferMs_{500};
};
