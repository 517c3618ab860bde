// Songs for the tests of the meters inside a real player, and what the
// drawing trace and the X tools tell of them: shared by the Audacious and
// Qmmp tests.
#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/TestFiles.h"
#include "support/OnScreen.h"

namespace player_songs {

constexpr int kRate = 44100;
constexpr int kBlockFrames = 512;
constexpr int kBurstFrames = kRate * 4 / 1000;
constexpr int kBurstEvery = kRate * 97 / 1000;

// A stereo WAV: `toneSeconds` of a 1 kHz tone at half scale on the left and
// silence on the right, then `silentSeconds` of silence on both.
inline std::string WriteLeftTone(const std::string& path, double toneSeconds, double silentSeconds) {
	std::vector<int16_t> samples;
	const int toneFrames = int(toneSeconds * kRate), frames = toneFrames + int(silentSeconds * kRate);
	for (int i = 0; i < frames; i++) {
		const double left = i < toneFrames ? 0.5 * std::sin(2 * M_PI * 1000 * i / kRate) : 0;
		samples.push_back(int16_t(std::lround(left * 32767)));
		samples.push_back(0);
	}
	EXPECT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, samples));
	return path;
}

// `seconds` of silence with a 4 ms burst of a 1 kHz tone at full scale on
// the left every 97 ms, the first at the start: most bursts fall inside one
// block, some straddle two.
inline std::string WriteBursts(const std::string& path, double seconds) {
	std::vector<int16_t> samples;
	for (int i = 0; i < int(seconds * kRate); i++) {
		const bool burst = i % kBurstEvery < kBurstFrames;
		samples.push_back(burst ? int16_t(std::lround(32767 * std::sin(2 * M_PI * 1000 * i / kRate))) : 0);
		samples.push_back(0);
	}
	EXPECT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, samples));
	return path;
}

// The drawing each Render call made, "render N" to "done N", in order.
inline std::vector<std::string> RenderCalls(const std::string& trace) {
	std::vector<std::string> calls;
	std::istringstream lines(trace);
	bool inside = false;
	for (std::string line; std::getline(lines, line);) {
		if (line.starts_with("render ")) {
			calls.emplace_back();
			inside = true;
		} else if (line.starts_with("done ")) {
			inside = false;
		} else if (inside) {
			calls.back() += line + "\n";
		}
	}
	return calls;
}

inline int RenderCount(const std::string& trace) { return int(RenderCalls(ReadFile(trace)).size()); }

// Whether process `pid` has ended: gone, or a zombie nobody reaped yet.
inline bool Ended(pid_t pid) {
	const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
	return status.empty() || status.find("State:\tZ") != std::string::npos;
}

// The meter process the player `player` started for `addon`; -1 when there is none.
inline pid_t MeterProcessOf(pid_t player, const std::string& addon) {
	const std::string pid =
	    Shell("pgrep -P " + std::to_string(player) + " -f 'vu-meter-process --addon " + addon + "'");
	return pid.empty() ? -1 : std::atoi(pid.c_str());
}

// A key pressed in the window, as a user presses it: the window active first.
inline void Press(const std::string& window, const std::string& key) {
	Shell("xdotool windowactivate --sync " + window + " key " + key);
}

} // namespace player_songs
