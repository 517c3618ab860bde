// Audacious's account of what is heard: its output time, which takes the
// output's delay off the time of the sound written.
#pragma once

#include "feed/PlayerClock.h"

// [any thread] Audacious's calls for it take their own locks.
class AudaciousClock final : public PlayerClock {
public:
	ClockReading Read() override;
	// Audacious's output buffer, as set in its settings.
	int64_t TypicalDelayMs() override;
};
