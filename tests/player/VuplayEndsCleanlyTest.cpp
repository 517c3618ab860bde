// vuplay in the situations that used to hang it, kill it or lose its work:
// a latency offset, FIFOs and pipes, signals, write errors, a script that
// pauses for good and an add-on whose About never returns.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include "player/ChildProcess.h"
#include "player/VuplayFixture.h"

using namespace std::chrono_literals;

namespace {

// Whether process `pid` has `path` open.
bool HoldsOpen(pid_t pid, const std::string& path) {
	std::error_code ec;
	for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
		if (std::filesystem::read_symlink(fd.path(), ec) == path) return true;
	return false;
}

class VuplayEndsCleanly : public VuplayFixture {
protected:
	std::string Settings() const { return settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences"; }
};

TEST_F(VuplayEndsCleanly, ALatencyOffsetNeitherDelaysNorHangsTheEnd) {
	const std::string song = dir_ / "two-seconds.wav";
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + song + "' synth 2 sine 440 vol 0.5"));
	// How long a run takes, paced by SDL's dummy device or, muted, by the clock; the meters off screen.
	// The thread sanitizer's pause at exit, when threads are still running, is no part of it.
	auto play = [&](const std::string& options) {
		const auto start = Clock::now();
		const Outcome run = Shell("export TSAN_OPTIONS=${TSAN_OPTIONS:+$TSAN_OPTIONS:}atexit_sleep_ms=0; "
		                          "VUMETERS_HEADLESS=1 SDL_AUDIODRIVER=dummy timeout 30 " +
		                          Program() + " -v " + options + " '" + song + "'");
		EXPECT_EQ(run.status, 0) << options;
		EXPECT_EQ(run.err, "") << options; // no "no sound output" warning: the dummy device did open
		return Clock::now() - start;
	};
	for (const std::string mute : {"", "--mute"}) {
		// Without an offset, as a measure of what starting and ending the program cost here.
		const auto usual = play(mute);
		for (const char* offset : {"200", "-200"}) {
			SCOPED_TRACE(std::string(offset) + " " + mute);
			const auto took = play(mute + " --latency-offset=" + offset);
			EXPECT_GE(took, 2s);
			EXPECT_LT(took, usual + 1500ms);
		}
	}
}

TEST_F(VuplayEndsCleanly, AFifoAsInputOrScriptIsWaitedForUntilAnInterrupt) {
	Watchdog watchdog(120s);
	const std::string fifo = dir_ / "fifo", err = dir_ / "stderr";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	const std::vector<std::vector<std::string>> runs = {
	    {"--settings-dir", settings_, "--headless", fifo},
	    {"--settings-dir", settings_, "--headless", "--events", fifo, tone_},
	};
	for (const auto& args : runs) {
		SCOPED_TRACE(args[3]);
		Child child(VUPLAY_PROGRAM, args, STDOUT_FILENO, err);
		// No writer ever comes: the player waits with the FIFO open, not inside open().
		ASSERT_TRUE(WaitUntil([&] { return HoldsOpen(child.Pid(), fifo); }, 30s));
		ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
		const auto signalled = Clock::now();
		EXPECT_EQ(child.Wait(30s), 128 + SIGINT);
		// At once on a quiet machine; without the interrupt the wait never ends.
		EXPECT_LT(Clock::now() - signalled, 10s);
		EXPECT_EQ(ReadFile(err),
		          "vuplay: " + fifo + ": interrupted while waiting for input\nvuplay: ended by SIGINT\n");
	}
}

// A recording whose reader opened the FIFO but takes nothing: the player
// waits with the pipe full, and an interrupt ends the wait and the run. The
// frames are large, so that those still queued at the interrupt never fit.
TEST_F(VuplayEndsCleanly, ARecordingReaderThatTakesNothingIsLeftAtAnInterrupt) {
	Watchdog watchdog(120s);
	const std::string fifo = dir_ / "out.y4m", err = dir_ / "stderr";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
	ASSERT_GE(reader, 0);
	Child child(VUPLAY_PROGRAM,
	            {"--settings-dir", settings_, "--headless", "--size", "400x800", "--record", fifo, tone_},
	            STDOUT_FILENO, err);
	const auto filling = [&] {
		int unread = 0;
		return ioctl(reader, FIONREAD, &unread) == 0 && unread > fcntl(reader, F_GETPIPE_SZ) / 2;
	};
	ASSERT_TRUE(WaitUntil(filling, 60s));
	ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
	const auto signalled = Clock::now();
	EXPECT_EQ(child.Wait(30s), 128 + SIGINT);
	// At once on a quiet machine; without the interrupt the wait never ends.
	EXPECT_LT(Clock::now() - signalled, 10s);
	close(reader);
	EXPECT_EQ(ReadFile(err), "vuplay: " + fifo +
	                             ": recording cut short: the reader took no more\nvuplay: ended by SIGINT\n");
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);
}

TEST_F(VuplayEndsCleanly, PipesAreReadOnceAsStreams) {
	const std::string ogg = dir_ / "tone.ogg", trace = dir_ / "trace.txt";
	ASSERT_TRUE(RunQuietly("sox '" + tone_ + "' '" + ogg + "'"));
	// Ogg Vorbis looks back at its first pages while it opens.
	const Outcome run = Shell("cat '" + tone_ + "' | SDL_AUDIODRIVER=dummy " + Program() +
	                          " --headless --trace '" + trace + "' /dev/stdin <(cat '" + ogg + "')");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	// 87 blocks each, numbered on from one input to the next.
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 174 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 175\n"), std::string::npos);
}

TEST_F(VuplayEndsCleanly, AClosedPipeOrAFileSizeLimitIsAWriteErrorAndTheSettingsAreStillSaved) {
	Watchdog watchdog(120s);
	const std::string err = dir_ / "stderr";
	// Standard output is a pipe that nobody reads any more.
	int ends[2];
	ASSERT_EQ(pipe(ends), 0);
	close(ends[0]);
	{
		Child child(VUPLAY_PROGRAM, {"--settings-dir", settings_, "--headless", "-v", tone_}, ends[1], err);
		close(ends[1]);
		EXPECT_EQ(child.Wait(60s), 1);
	}
	EXPECT_EQ(ReadFile(err), "vuplay: standard output: cannot write: Broken pipe\n");
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);

	// A file size limit of 16 KiB: the recording and the trace outgrow it, the settings do not.
	std::filesystem::remove(Settings());
	const std::string video = dir_ / "out.y4m", trace = dir_ / "trace.txt";
	const Outcome run = Shell("ulimit -f 16; SDL_AUDIODRIVER=dummy exec " + Program() +
	                          " --headless --record '" + video + "' --trace '" + trace + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + video + ": cannot write: File too large\nvuplay: " + trace +
	                       ": cannot write: File too large\n");
	EXPECT_FALSE(std::filesystem::exists(video));
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);
}

TEST_F(VuplayEndsCleanly, AHeadlessScriptThatLeavesThePlayerPausedEndsItWithAnError) {
	const std::string script = Script("5 key space\n"), trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("--events '" + script + "' --trace '" + trace + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err,
	          "vuplay: " + script + ": the script leaves the player paused, with no event to resume it\n");
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 5 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 6\n"), std::string::npos);
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);
}

TEST_F(VuplayEndsCleanly, AnAboutThatNeverReturnsKeepsItsLibraryLoaded) {
	setenv("VUPLAY_TEST_ADDON", "about-hangs", 1);
	const Outcome run =
	    Vuplay("-p '" VUPLAY_TEST_ADDON "' -p corvel --events '" + Script("3 about\n") + "' '" + tone_ + "'");
	unsetenv("VUPLAY_TEST_ADDON");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " VUPLAY_TEST_ADDON
	                   ": About did not return; the add-on stays loaded until the player ends\n");
	// The other add-on is unloaded the normal way.
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);
}

// An add-on that ends the process from inside its Render is named with the
// call, the run fails whatever status it chose, and the other add-on still
// writes its settings.
TEST_F(VuplayEndsCleanly, AnAddOnThatEndsTheProcessInRenderIsNamedAndTheRunFails) {
	setenv("VUPLAY_TEST_ADDON", "exit-render", 1);
	const Outcome run = Vuplay("-p corvel -p '" VUPLAY_TEST_ADDON "' '" + tone_ + "'");
	unsetenv("VUPLAY_TEST_ADDON");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " VUPLAY_TEST_ADDON ": the add-on ended the process in Render\n");
	EXPECT_EQ(ReadFile(Settings()).size(), 20u);
}

// An add-on whose call never returns, holding its window as a Render stuck
// in its own drawing does: a quit signal ends the run anyway, once the call
// has had two seconds or when another quit signal comes (SIGTERM after
// SIGINT here: a second SIGINT may be merged with the first while pending),
// with a line naming the add-on and the call, and the other add-on still
// saves its settings.
TEST_F(VuplayEndsCleanly, AnAddOnCallThatNeverReturnsGivesWayToAQuitSignal) {
	Watchdog watchdog(120s);
	const std::string render = BROKEN_ADDON_DIR "/broken_HangsInRender.so";
	const std::string cleanup = BROKEN_ADDON_DIR "/broken_HangsInCleanup.so";
	const std::string trace = dir_ / "trace.txt", err = dir_ / "stderr";
	struct Run {
		std::string addon;
		std::vector<int> signals;
		std::string line;
	};
	for (const auto& [addon, signals, line] :
	     {Run{render, {SIGINT}, render + ": Render had not returned 2 seconds after SIGINT"},
	      Run{render, {SIGINT, SIGTERM}, render + ": Render had not returned when a second quit signal came"},
	      Run{cleanup, {SIGTERM}, cleanup + ": Cleanup had not returned 2 seconds after SIGTERM"}}) {
		SCOPED_TRACE(line);
		std::filesystem::remove(Settings());
		std::filesystem::remove(trace);
		// The trace follows Corvel, which gets each block before the other add-on.
		Child child(
		    VUPLAY_PROGRAM,
		    {"--settings-dir", settings_, "--headless", "--trace", trace, "-p", "corvel", "-p", addon, tone_},
		    STDOUT_FILENO, err);
		ASSERT_TRUE(WaitUntil([&] { return ReadFile(trace).find("done 1 ") != std::string::npos; }, 60s))
		    << ReadFile(err);
		// A moment apart, as a user's are: sent at once, the second may reach
		// a thread of the process's before the first does.
		for (const int signal : signals) {
			ASSERT_EQ(kill(child.Pid(), signal), 0);
			std::this_thread::sleep_for(300ms);
		}
		EXPECT_EQ(child.Wait(60s), 128 + signals.front());
		const std::string name = signals.front() == SIGINT ? "SIGINT" : "SIGTERM";
		EXPECT_EQ(ReadFile(err), "vuplay: " + line +
		                             "; the add-on's settings are not saved\nvuplay: ended by " + name +
		                             "\n");
		EXPECT_EQ(ReadFile(Settings()).size(), 20u);
	}
}

} // namespace
