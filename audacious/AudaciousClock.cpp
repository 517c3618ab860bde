#include "AudaciousClock.h"

#include <libaudcore/drct.h>
#include <libaudcore/runtime.h>

ClockReading AudaciousClock::Read() {
	ClockReading reading;
	reading.playing = aud_drct_get_playing();
	reading.paused = reading.playing && aud_drct_get_paused();
	reading.songMs = reading.playing ? aud_drct_get_time() : 0;
	return reading;
}

int64_t AudaciousClock::TypicalDelayMs() { return aud_get_int(nullptr, "output_buffer_size"); }
