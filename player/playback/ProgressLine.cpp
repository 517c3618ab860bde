#include "playback/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string ProgressLine::Time(int64_t frames, int sampleRate) {
	const int64_t seconds = sampleRate > 0 ? std::max<int64_t>(frames, 0) / sampleRate : 0;
	char text[32];
	if (seconds >= 3600)
		std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
		              static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
	else
		std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
		              static_cast<long long>(seconds % 60));
	return text;
}

std::string ProgressLine::Level(double dbfs) {
	if (std::isinf(dbfs) && dbfs < 0) return "-inf";
	char text[16];
	std::snprintf(text, sizeof text, "%.1f", dbfs);
	return text;
}

std::string ProgressLine::Format(const ProgressState& state, int columns) {
	std::string rest = "  " + Time(state.elapsed, state.sampleRate);
	if (state.total >= 0) rest += " / " + Time(state.total, state.sampleRate);
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
