// vuplay fed from other programs: a sound file or headerless PCM on standard
// input, and headerless PCM from a FIFO whose writers come and go.
#include <sys/stat.h>

#include <fstream>
#include <regex>

#include "player/ChildProcess.h"
#include "player/NeedleTrace.h"
#include "player/VuplayFixture.h"

using namespace std::chrono_literals;

namespace {

// The left needle's loudness call by call, as runs: loud (red above 0) or
// quiet, and how many calls each lasted. A call that draws no needle keeps
// the last one's loudness.
std::vector<std::pair<bool, size_t>> LoudnessRuns(const std::vector<Needles>& drawn) {
	std::vector<std::pair<bool, size_t>> runs;
	int red = 0;
	for (const Needles& call : drawn) {
		if (call.left >= 0) red = call.left;
		if (runs.empty() || runs.back().first != (red > 0)) runs.emplace_back(red > 0, 0);
		runs.back().second++;
	}
	// The player may start on silence before the first write arrives.
	if (!runs.empty() && !runs.front().first) runs.erase(runs.begin());
	return runs;
}

// The drawing of each block: the trace without its "update" lines. The
// window's first expose comes on its own thread, before or after the first
// block, and the needle meter draws nothing for it.
std::string BlockDrawing(const std::string& trace) {
	return std::regex_replace(trace, std::regex("^update .*\n", std::regex::multiline), "");
}

} // namespace

class VuplayPipeInput : public VuplayFixture {};

TEST_F(VuplayPipeInput, SoundOnStandardInputDrawsAsTheFileDoes) {
	const std::string direct = dir_ / "direct.trace", raw = dir_ / "raw.trace", file = dir_ / "file.trace";
	const std::string redirect = dir_ / "redirect.trace";
	const std::string vuplay = "SDL_AUDIODRIVER=dummy timeout 100 " + Program() + " --headless -p kestle";
	const Outcome played = Vuplay("-p kestle --trace '" + direct + "' '" + tone_ + "'");
	ASSERT_EQ(played.status, 0) << played.err;
	const Outcome throughRaw =
	    Shell("sox '" + tone_ + "' -t raw - | " + vuplay + " --raw s16le --trace '" + raw + "' -");
	const Outcome throughFile = Shell("cat '" + tone_ + "' | " + vuplay + " --trace '" + file + "' -");
	const Outcome redirected = Shell(vuplay + " --trace '" + redirect + "' - <'" + tone_ + "'");
	for (const Outcome& run : {throughRaw, throughFile, redirected}) {
		EXPECT_EQ(run.status, 0) << run.err;
		EXPECT_EQ(run.err, "");
	}
	const std::string expected = BlockDrawing(ReadFile(direct));
	EXPECT_EQ(Count(expected, "^render "), 87);
	EXPECT_EQ(BlockDrawing(ReadFile(raw)), expected);
	EXPECT_EQ(BlockDrawing(ReadFile(file)), expected);
	EXPECT_EQ(BlockDrawing(ReadFile(redirect)), expected);
}

TEST_F(VuplayPipeInput, ARawFifoStallsIntoSilenceWhileNoWriterHasItAndGoesOnWhenOneComes) {
	Watchdog watchdog(120s);
	const std::string fifo = dir_ / "meter.fifo", trace = dir_ / "trace.txt", err = dir_ / "vuplay.err";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	ASSERT_TRUE(RunQuietly("sox '" + tone_ + "' -t raw '" + dir_ / "tone.raw" + "'"));
	const std::string tone = ReadFile(dir_ / "tone.raw");
	ASSERT_EQ(tone.size(), 44100u * 4);
	Child meter(VUPLAY_PROGRAM,
	            {"--settings-dir", settings_, "--headless", "-p", "kestle", "--trace", trace, "--raw",
	             "s16le", "--duration", "6", fifo},
	            STDOUT_FILENO, err);
	// A writer that opens the FIFO, writes the tone and goes away, as a music server on pause.
	const auto writeTone = [&] { EXPECT_TRUE(std::ofstream(fifo, std::ios::binary) << tone); };
	writeTone();
	ASSERT_TRUE(WaitUntil(
	    [&] {
		    const auto runs = LoudnessRuns(ReadNeedles(ReadFile(trace)));
		    return runs.size() == 2 && runs[1].second >= 30;
	    },
	    60s))
	    << ReadFile(err);
	writeTone();
	EXPECT_EQ(meter.Wait(60s), 0);
	EXPECT_EQ(ReadFile(err), "");
	const std::vector<Needles> drawn = ReadNeedles(ReadFile(trace));
	EXPECT_EQ(drawn.size(), 517u); // 6 * 44100 / 512, the last one cut
	// The tone, silence while no writer was there, the tone again, silence to the end.
	const auto runs = LoudnessRuns(drawn);
	ASSERT_EQ(runs.size(), 4u);
	EXPECT_TRUE(runs[0].first);
	EXPECT_GE(runs[1].second, 30u);
	EXPECT_TRUE(runs[2].first);
	for (const size_t loud : {runs[0].second, runs[2].second}) {
		EXPECT_GE(loud, 86u); // every block of the tone
		EXPECT_LE(loud, 88u);
	}
}
