// How a position in the sound reads in messages and on the progress line.
#pragma once

#include <cstdint>
#include <string>

// "02:13" for `frames` at `sampleRate` frames a second, whole seconds;
// "1:02:13" from an hour on. A rate of 0 or less reads "00:00". [any thread]
std::string TimeText(int64_t frames, int sampleRate);
