// Sleeps that end when they are asked to, for the thread that paces the meters.
#pragma once

#include <sys/prctl.h>

// While it lives, the calling thread's timers have no slack: the kernel's
// default lets a sleep run 50 µs long, and every block would be shown that
// much later. The slack before is restored.
//
// [the thread that made it] Made and destroyed there.
class PreciseWakeUps {
public:
	PreciseWakeUps() : saved_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) { prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0); }
	~PreciseWakeUps() {
		if (saved_ > 0) prctl(PR_SET_TIMERSLACK, saved_, 0, 0, 0);
	}

	PreciseWakeUps(const PreciseWakeUps&) = delete;
	PreciseWakeUps& operator=(const PreciseWakeUps&) = delete;

private:
	int saved_;
};
