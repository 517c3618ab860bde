#include "playback/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/helpers/TimeText.h"

std::string ProgressLine::Level(double dbfs) {
	if (std::isinf(dbfs) && dbfs < 0) return "-inf";
	char text[16];
	std::snprintf(text, sizeof text, "%.1f", dbfs);
	return text;
}

std::string ProgressLine::Format(const ProgressState& state, int columns) {
	std::string rest = "  " + TimeText(state.elapsed, state.sampleRate);
	if (state.total >= 0) rest += " / " + TimeText(state.total, state.sampleRate);
	rest += "  L " + Level(state.peak.left) + " dBFS  R " + Level(state.peak.right) + " dBFS";
	if (state.paused) rest += " [paused]";

	std::string name = state.name;
	const size_t room = columns > 0 && static_cast<size_t>(columns) > rest.size() + 1
	                        ? static_cast<size_t>(columns) - rest.size() - 1
	                        : 0;
	if (columns > 0 && name.size() > room) {
		// Cut on a character boundary so that a UTF-8 name stays valid.
		size_t cut = room > 3 ? room - 3 : 0;
		while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xc0) == 0x80)
			cut--;
		name = cut > 0 ? name.substr(0, cut) + "..." : "";
	}
	return name + rest;
}
