// vuplay fed from other programs: a sound file or headerless PCM on standard
// input or a pipe, and headerless PCM from a FIFO whose writers come and go.
#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "player/ChildProcess.h"
#include "player/NeedleTrace.h"
#include "player/RenderedBlocks.h"
#include "player/VuplayFixture.h"

using namespace std::chrono_literals;

namespace {

using Frame = std::pair<int16_t, int16_t>;
static_assert(sizeof(Frame) == 4, "a frame is two samples, as in the bytes");

constexpr auto kBlockTime = std::chrono::microseconds(512 * 1000000 / 44100);

// `count` frames from `first` of a sound that is never silent and whose every
// stretch of a test's length is unlike any other: left counts up, right down.
std::vector<Frame> Numbered(int first, int count) {
	std::vector<Frame> frames;
	for (int i = first; i < first + count; i++)
		frames.emplace_back(static_cast<int16_t>(i % 32000 + 1), static_cast<int16_t>(-(i % 32000 + 1)));
	return frames;
}

// The same frames as s16le bytes, as a writer sends them.
std::string NumberedBytes(int first, int count) {
	const std::vector<Frame> frames = Numbered(first, count);
	return std::string(reinterpret_cast<const char*>(frames.data()), frames.size() * sizeof(Frame));
}

// The same frames as s24le bytes of three channels, each sample the 16-bit
// one in the upper two bytes, which the player reads back exactly; the third
// channel, which is not metered, is all ones.
std::string NumberedBytes24(int first, int count) {
	std::string bytes;
	for (const auto& [left, right] : Numbered(first, count))
		for (const int16_t sample : {left, right, int16_t{-1}})
			bytes += {'\0', static_cast<char>(sample & 0xff), static_cast<char>(sample >> 8 & 0xff)};
	return bytes;
}

// Whether `frames` holds the numbered ones, one after the other, `at` their start, or anywhere.
bool NumberedAt(const std::vector<Frame>& frames, size_t at, int first, int count) {
	const std::vector<Frame> expected = Numbered(first, count);
	return frames.size() >= at + expected.size() &&
	       std::equal(expected.begin(), expected.end(), frames.begin() + at);
}
bool HasNumbered(const std::vector<Frame>& frames, int first, int count) {
	const std::vector<Frame> expected = Numbered(first, count);
	return std::search(frames.begin(), frames.end(), expected.begin(), expected.end()) != frames.end();
}

// The frames that are not silent, one after the other: what the writers sent,
// whatever silence a stall put between them.
std::vector<Frame> SoundFrames(const std::vector<RenderedBlock>& blocks) {
	std::vector<Frame> frames = Frames(blocks);
	std::erase(frames, Frame{0, 0});
	return frames;
}

// The first block from `from` on that starts with sound.
std::optional<size_t> FirstSound(const std::vector<RenderedBlock>& blocks, size_t from) {
	for (size_t i = from; i < blocks.size(); i++)
		if (blocks[i].samples[0] != 0 || blocks[i].samples[1] != 0) return i;
	return std::nullopt;
}

// Opens the FIFO as a writer (waiting for its reader), writes `bytes` and goes away.
bool WriteFifo(const std::string& fifo, const std::string& bytes) {
	const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
	const bool written =
	    fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
	if (fd >= 0) close(fd);
	return written;
}

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

class VuplayPipeInput : public VuplayFixture {
protected:
	void SetUp() override {
		VuplayFixture::SetUp();
		// A writer whose reader ended gets an error, not the end of the test.
		std::signal(SIGPIPE, SIG_IGN);
		ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
	}

	// vuplay with the test add-on, which keeps every block it gets, metering the FIFO.
	std::unique_ptr<Child> Meter(std::vector<std::string> args, const std::string& format = "s16le") {
		ScopedVariable addon("VUPLAY_TEST_ADDON", "blocks");
		ScopedVariable mark("VUPLAY_TEST_ADDON_MARK", blocks_.c_str());
		args.insert(args.begin(),
		            {"--settings-dir", settings_, "--headless", "-p", VUPLAY_TEST_ADDON, "--raw", format});
		args.push_back(fifo_);
		return std::make_unique<Child>(VUPLAY_PROGRAM, args, STDOUT_FILENO, err_);
	}
	std::vector<RenderedBlock> Blocks() const { return ReadRenderedBlocks(blocks_); }
	bool Rendered(int first, int count) const { return HasNumbered(Frames(Blocks()), first, count); }

	std::string fifo_ = dir_ / "meter.fifo", blocks_ = dir_ / "blocks", err_ = dir_ / "vuplay.err";
};

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
	const std::string fifo = fifo_, trace = dir_ / "trace.txt", err = err_;
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

// A writer that sends a tenth of a second ten times a second in real time
// (`pv -L`), and then one that sends four seconds at once (`cat`): every
// frame comes in order, without silence between the bursts, and the second
// writer's sound takes four seconds, as it would to play.
TEST_F(VuplayPipeInput, ALiveFifoPlaysAtRealTimeWithoutSilenceBetweenBurstsOrARushForAFastWriter) {
	Watchdog watchdog(120s);
	constexpr int kBurst = 4410, kBursts = 20, kAtOnce = 4 * 44100;
	auto meter = Meter({"--realtime", "--duration", "9"});
	ASSERT_TRUE(WaitUntil([&] { return !Blocks().empty(); }, 60s)) << ReadFile(err_);
	{
		const int fd = open(fifo_.c_str(), O_WRONLY | O_CLOEXEC);
		ASSERT_GE(fd, 0);
		auto next = Clock::now();
		for (int burst = 0; burst < kBursts; burst++, next += 100ms) {
			std::this_thread::sleep_until(next);
			const std::string bytes = NumberedBytes(burst * kBurst, kBurst);
			ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
		}
		close(fd);
	}
	std::this_thread::sleep_for(500ms);
	ASSERT_TRUE(WriteFifo(fifo_, NumberedBytes(kBursts * kBurst, kAtOnce)));
	EXPECT_EQ(meter->Wait(60s), 0);
	EXPECT_EQ(ReadFile(err_), "");
	const std::vector<RenderedBlock> blocks = Blocks();
	EXPECT_EQ(blocks.size(), 776u); // 9 * 44100 / 512, the last one cut

	const std::optional<size_t> bursts = FirstSound(blocks, 0);
	ASSERT_TRUE(bursts);
	EXPECT_TRUE(NumberedAt(Frames(blocks, *bursts), 0, 0, kBursts * kBurst)) << "silence between the bursts";
	const std::optional<size_t> atOnce = FirstSound(blocks, *bursts + kBursts * kBurst / 512 + 1);
	ASSERT_TRUE(atOnce);
	EXPECT_TRUE(NumberedAt(Frames(blocks, *atOnce), 0, kBursts * kBurst, kAtOnce));
	// Its whole blocks, each a block's time after the one before, give or take the first one's wake-up.
	const auto took = blocks[*atOnce + kAtOnce / 512 - 1].at - blocks[*atOnce].at;
	EXPECT_GT(took, (kAtOnce / 512 - 1) * kBlockTime - 50ms);
	EXPECT_LT(took, (kAtOnce / 512 - 1) * kBlockTime + 2s);
}

// A writer that leaves after 4001 bytes, a frame and a quarter short of a
// whole number of frames, between two others.
TEST_F(VuplayPipeInput, AWriterThatLeavesPartOfAFrameDoesNotShiftTheNextWritersFrames) {
	Watchdog watchdog(120s);
	auto meter = Meter({});
	ASSERT_TRUE(WriteFifo(fifo_, NumberedBytes(0, 10000)));
	ASSERT_TRUE(WaitUntil([&] { return Rendered(0, 10000); }, 60s)) << ReadFile(err_);
	ASSERT_TRUE(WriteFifo(fifo_, std::string(4001, '\x01')));
	const auto strayFrames = [&] {
		const auto frames = Frames(Blocks());
		return std::count(frames.begin(), frames.end(), Frame{0x0101, 0x0101});
	};
	ASSERT_TRUE(WaitUntil([&] { return strayFrames() == 1000; }, 30s)) << ReadFile(err_);
	ASSERT_TRUE(WriteFifo(fifo_, NumberedBytes(20000, 10000)));
	EXPECT_TRUE(WaitUntil([&] { return Rendered(20000, 10000); }, 30s))
	    << "the third writer's frames shifted";
	ASSERT_EQ(kill(meter->Pid(), SIGTERM), 0);
	EXPECT_EQ(meter->Wait(30s), 128 + SIGTERM);
	EXPECT_EQ(ReadFile(err_), "vuplay: ended by SIGTERM\n");
}

// Writers that follow each other within a few milliseconds, each a process
// of its own as a music server's reopening is, every one but the last
// leaving part of a frame. The player is behind them (real time), so the pipe
// still holds the end of a writer's sound when the next one starts writing.
TEST_F(VuplayPipeInput, EachWriterStartsOnAWholeFrameWhileTheOneBeforeIsStillUnread) {
	Watchdog watchdog(120s);
	constexpr int kFrames = 30000; // more than the player takes ahead of real time
	struct Format {
		std::string name;
		std::vector<std::string> args;
		std::function<std::string(int, int)> bytes;
		std::vector<int> strays; // bytes after each writer's frames, less than a frame
	};
	for (const Format& format : {Format{"s16le", {}, NumberedBytes, {1, 2, 3, 0}},
	                             Format{"s24le", {"--channels", "3"}, NumberedBytes24, {8, 4, 0}}}) {
		SCOPED_TRACE(format.name);
		std::string writers;
		const int frames = kFrames * static_cast<int>(format.strays.size());
		for (size_t i = 0; i < format.strays.size(); i++) {
			const std::string file = dir_ / ("writer" + std::to_string(i));
			std::ofstream(file, std::ios::binary) << format.bytes(static_cast<int>(i) * kFrames, kFrames)
			                                      << std::string(format.strays[i], '\x55');
			writers += "cat '" + file + "' >'" + fifo_ + "'; sleep 0.05\n";
		}
		std::vector<std::string> args = format.args;
		args.push_back("--realtime");
		auto meter = Meter(args, format.name);
		const Outcome written = Shell(writers);
		ASSERT_EQ(written.status, 0) << written.err;
		EXPECT_TRUE(WaitUntil([&] { return SoundFrames(Blocks()).size() >= size_t(frames); }, 60s))
		    << ReadFile(err_);
		EXPECT_TRUE(SoundFrames(Blocks()) == Numbered(0, frames)) << "a writer's frames shifted";
		ASSERT_EQ(kill(meter->Pid(), SIGTERM), 0);
		EXPECT_EQ(meter->Wait(30s), 128 + SIGTERM);
		EXPECT_EQ(ReadFile(err_), "vuplay: ended by SIGTERM\n");
		std::filesystem::remove(blocks_);
	}
}

// A writer that sends 300 ms at a time at real-time pace, as a music server
// does, to a player that takes the sound as fast as it comes: it waits for
// each burst as a player at real time would, and adds no silence between them.
TEST_F(VuplayPipeInput, AFifoTakenAsFastAsItComesGetsNoSilenceBetweenBurstsThatComeInTime) {
	Watchdog watchdog(120s);
	constexpr int kBurst = 13230, kBursts = 10;
	auto meter = Meter({});
	ASSERT_TRUE(WaitUntil([&] { return !Blocks().empty(); }, 60s)) << ReadFile(err_);
	{
		const int fd = open(fifo_.c_str(), O_WRONLY | O_CLOEXEC);
		ASSERT_GE(fd, 0);
		auto next = Clock::now();
		for (int burst = 0; burst < kBursts; burst++, next += 300ms) {
			std::this_thread::sleep_until(next);
			const std::string bytes = NumberedBytes(burst * kBurst, kBurst);
			ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
		}
		close(fd);
	}
	ASSERT_TRUE(WaitUntil([&] { return SoundFrames(Blocks()).size() >= size_t{kBursts * kBurst}; }, 60s))
	    << ReadFile(err_);
	ASSERT_EQ(kill(meter->Pid(), SIGTERM), 0);
	EXPECT_EQ(meter->Wait(30s), 128 + SIGTERM);
	const std::vector<RenderedBlock> blocks = Blocks();
	const std::optional<size_t> sound = FirstSound(blocks, 0);
	ASSERT_TRUE(sound);
	EXPECT_TRUE(NumberedAt(Frames(blocks, *sound), 0, 0, kBursts * kBurst)) << "silence between the bursts";
}

TEST_F(VuplayPipeInput, PipesWithoutANameEndAtTheirEndAndAFifoMadeAgainIsFoundAgain) {
	Watchdog watchdog(120s);
	const std::string raw = dir_ / "tone.raw";
	ASSERT_TRUE(RunQuietly("sox '" + tone_ + "' -t raw '" + raw + "'"));
	for (const std::string& run :
	     {"--raw s16le <(cat '" + raw + "')", "--raw s16le /dev/stdin <'" + raw + "'"}) {
		const Outcome played = Vuplay(run);
		EXPECT_EQ(played.status, 0) << run << ": " << played.err;
		EXPECT_EQ(played.err, "") << run;
	}
	const Outcome twice = Shell("cat '" + raw + "' | SDL_AUDIODRIVER=dummy timeout 100 " + Program() +
	                            " --headless --raw s16le - /dev/stdin");
	EXPECT_EQ(twice.status, 1);
	EXPECT_EQ(twice.err, "vuplay: /dev/stdin: contains no audio\n");

	// The FIFO is deleted and made again: its next writer finds the player reading it.
	auto meter = Meter({});
	ASSERT_TRUE(WriteFifo(fifo_, NumberedBytes(0, 5000)));
	ASSERT_TRUE(WaitUntil([&] { return Rendered(0, 5000); }, 60s)) << ReadFile(err_);
	ASSERT_EQ(unlink(fifo_.c_str()), 0);
	ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
	std::thread writer([&] { EXPECT_TRUE(WriteFifo(fifo_, NumberedBytes(10000, 5000))); });
	EXPECT_TRUE(WaitUntil([&] { return Rendered(10000, 5000); }, 30s)) << ReadFile(err_);
	ASSERT_EQ(kill(meter->Pid(), SIGTERM), 0);
	EXPECT_EQ(meter->Wait(30s), 128 + SIGTERM);
	writer.join();
}

TEST_F(VuplayPipeInput, AnEmptyPipeFailsAsAnEmptyFileDoes) {
	const std::string header = dir_ / "header.wav";
	std::ofstream(header, std::ios::binary) << ReadFile(tone_).substr(0, 44);
	const std::string vuplay = "SDL_AUDIODRIVER=dummy timeout 100 " + Program() + " --headless ";
	for (const auto& [run, err] :
	     {std::pair<std::string, std::string>{"true | " + vuplay + "--raw s16le -",
	                                          "vuplay: -: contains no audio\n"},
	      {"cat '" + header + "' | " + vuplay + "-", "vuplay: -: contains no audio\n"},
	      {vuplay + "'" + header + "'", "vuplay: " + header + ": contains no audio\n"}}) {
		const Outcome outcome = Shell(run);
		EXPECT_EQ(outcome.status, 1) << run;
		EXPECT_EQ(outcome.err, err) << run;
	}
}
