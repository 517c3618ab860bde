// Songs for the tests of the meters inside a real player, and what the
// drawing trace and the X tools tell of them: shared by the Audacious and
// Qmmp tests.
#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "player/NeedleTrace.h"
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

// The Render calls vuplay makes for `songs` (paths, space-separated) with
// Kestle, its settings in `settings`, its trace into `trace`.
inline std::vector<std::string> VuplayRenderCalls(const std::string& settings, const std::string& trace,
                                                  const std::string& songs) {
	EXPECT_TRUE(RunQuietly(std::string(VUPLAY_PROGRAM) + " --headless -p kestle --settings-dir " + settings +
	                       " --trace " + trace + " " + songs));
	return RenderCalls(ReadFile(trace));
}

// Returns once the trace has had no new Render call for a second.
inline void AwaitNoMoreRenders(const std::string& trace) {
	for (int count = -1; count != RenderCount(trace);) {
		count = RenderCount(trace);
		std::this_thread::sleep_for(std::chrono::seconds(1));
	}
}

// The counts a meter library logs when a meter stops: blocks `player` played
// while it ran, and how many of them reached Render.
inline std::vector<std::pair<long, long>> BlockCounts(const std::string& log, const std::string& addon,
                                                      const std::string& player) {
	std::vector<std::pair<long, long>> counts;
	const std::regex line(addon + ": ([0-9]+) blocks from " + player + ", ([0-9]+) of them rendered");
	for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
		counts.emplace_back(std::stol((*it)[1]), std::stol((*it)[2]));
	return counts;
}

// A player's meter against vuplay's for the same songs, bursts first: the
// same Render calls from the start, every burst of the first `burstSeconds`
// shown on the left needle, the needle back at rest at the end, and the
// player's log counting every block played and rendered.
inline void ExpectAsVuplay(const std::string& trace, const std::vector<std::string>& vuplays,
                           double burstSeconds, const std::string& log, const std::string& player) {
	const std::vector<std::string> ours = RenderCalls(ReadFile(trace));
	ASSERT_GE(ours.size(), vuplays.size());
	for (size_t call = 0; call < vuplays.size(); call++)
		ASSERT_EQ(ours[call], vuplays[call]) << "Render call " << call + 1;

	const std::vector<Needles> needles = ReadNeedles(ReadFile(trace));
	for (int burst = 0; burst * kBurstEvery < burstSeconds * kRate; burst++) {
		int loudest = 0;
		for (int frame = burst * kBurstEvery; frame < burst * kBurstEvery + kBurstFrames;
		     frame += kBlockFrames / 4)
			loudest = std::max(loudest, needles[size_t(frame / kBlockFrames)].left);
		EXPECT_GT(loudest, 0) << "burst " << burst << " shows";
	}
	const auto drawn =
	    std::find_if(needles.rbegin(), needles.rend(), [](const Needles& call) { return call.leftTip >= 0; });
	ASSERT_NE(drawn, needles.rend());
	EXPECT_EQ(drawn->leftTip, 0) << "the left needle is back at rest";

	const auto counts = BlockCounts(log, "kestle", player);
	ASSERT_EQ(counts.size(), 1u) << log;
	EXPECT_EQ(counts[0].first, long(vuplays.size()));
	EXPECT_EQ(counts[0].second, long(vuplays.size()));
}

// What a sanitizer or a failing meter left in a player's log; empty when
// nothing. Leaks count only when their stack matches `ours`, frames of our
// code: the player's own, left at exit, are not ours to mend.
inline std::string Reports(const std::string& log, const std::regex& ours) {
	for (const char* mark :
	     {"ERROR: AddressSanitizer", "runtime error", "the add-on crashed", "meter process"})
		if (const size_t at = log.find(mark); at != std::string::npos) return log.substr(at, 3000);
	for (size_t at = log.find(" leak of "); at != std::string::npos; at = log.find(" leak of ", at + 1)) {
		const std::string stack = log.substr(at, log.find("\n\n", at) - at);
		if (std::regex_search(stack, ours)) return stack;
	}
	return {};
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
