// The one conversion of a sample to the 16 bits the add-ons take.
#pragma once

#include <cmath>
#include <cstdint>

// `normalised` is full scale at [-1, 1]; rounded, and saturated rather than
// wrapped, so that a full-scale value beyond it clips. NaN is silence.
inline int16_t ToInt16(double normalised) {
	if (std::isnan(normalised)) return 0;
	const double scaled = std::round(normalised * 32768.0);
	if (scaled >= 32767.0) return 32767;
	if (scaled <= -32768.0) return -32768;
	return static_cast<int16_t>(scaled);
}
