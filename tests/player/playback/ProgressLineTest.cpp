#include "playback/ProgressLine.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PeakMeter, ReadsFullScaleAsZeroAndSilenceAsMinusInfinity) {
	AudioBlock block{};
	PeakLevels peak = PeakMeter::Measure(block);
	EXPECT_TRUE(std::isinf(peak.left) && peak.left < 0);
	EXPECT_TRUE(std::isinf(peak.right) && peak.right < 0);

	block[100] = -32768; // left
	block[301] = 16384;  // right
	block[303] = -8192;
	peak = PeakMeter::Measure(block);
	EXPECT_DOUBLE_EQ(peak.left, 0.0);
	EXPECT_NEAR(peak.right, -6.0206, 1e-4);
}

TEST(ProgressLine, ShowsNameTimesAndLevels) {
	const ProgressState state{"song.flac", 62 * 44100 + 100, 184 * 44100, 44100, {-6.04, -INFINITY}, false};
	EXPECT_EQ(ProgressLine::Format(state, 0), "song.flac  01:02 / 03:04  L -6.0 dBFS  R -inf dBFS");
}

TEST(ProgressLine, LongTimesUnknownTotalsAndPauseReadPlainly) {
	const ProgressState live{"input", 3725 * 48000, -1, 48000, {-0.04, -12.5}, true};
	EXPECT_EQ(ProgressLine::Format(live, 0), "input  1:02:05  L -0.0 dBFS  R -12.5 dBFS [paused]");
}

TEST(ProgressLine, ShortensTheNameToFitTheTerminal) {
	const ProgressState state{
	    "a very long file name that will not fit.wav", 0, 44100, 44100, {-1.0, -2.0}, false};
	const std::string line = ProgressLine::Format(state, 60);
	EXPECT_LT(line.size(), 60u);
	EXPECT_EQ(line.rfind("a very long", 0), 0u);
	EXPECT_NE(line.find("...  00:00 / 00:01  L -1.0 dBFS  R -2.0 dBFS"), std::string::npos) << line;

	// Cutting never splits a character: here each "é" is two bytes.
	const ProgressState accents{"ééééééééééééééééééééé", 0, 44100, 44100, {-1.0, -2.0}, false};
	for (int columns = 44; columns < 60; columns++) {
		const std::string cut = ProgressLine::Format(accents, columns);
		const size_t dots = cut.find("...");
		if (dots == std::string::npos) continue;
		EXPECT_EQ(dots % 2, 0u) << cut;
	}
}
