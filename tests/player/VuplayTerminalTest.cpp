// vuplay on a terminal, as a person runs it: keys typed while the sound it
// reads from standard input stalls, and a player started in the background
// of an interactive shell.
#include <thread>

#include "player/ChildProcess.h"
#include "player/RenderedBlocks.h"
#include "player/VuplayFixture.h"
#include "support/PseudoTerminal.h"

using namespace std::chrono_literals;

namespace {

class VuplayTerminal : public VuplayFixture {
protected:
	// No meter window, and no waiting at exit for the thread sanitizer's sake.
	ScopedVariable headless_{"VUMETERS_HEADLESS", "1"};
	ScopedVariable tsan_{"TSAN_OPTIONS", TsanWithoutExitPause().c_str()};
};

TEST_F(VuplayTerminal, QOnTheTerminalEndsThePlayerWhileTheWriterOfItsStandardInputStalls) {
	Watchdog watchdog(120s);
	const std::string wav = ReadFile(tone_);
	ASSERT_GT(wav.size(), 44u);
	for (const bool raw : {false, true}) {
		SCOPED_TRACE(raw ? "--raw s16le" : "WAV");
		int ends[2];
		ASSERT_EQ(pipe(ends), 0);
		std::vector<std::string> args = {VUPLAY_PROGRAM, "--settings-dir", settings_, "--mute",
		                                 "-p",           "kestle"};
		if (raw) args.insert(args.end(), {"--raw", "s16le"});
		args.push_back("-");
		PseudoTerminal terminal(args, ends[0]);
		close(ends[0]);
		// A second of sound, then nothing while the writer keeps the pipe open.
		std::thread writer([&] {
			const std::string sound = raw ? wav.substr(44) : wav;
			EXPECT_EQ(write(ends[1], sound.data(), sound.size()), static_cast<ssize_t>(sound.size()));
		});
		// The progress line shows the tone, then silence: the player waits for the writer.
		const auto stalled = [&] {
			const std::string& shown = terminal.Output();
			const size_t tone = shown.find("L -6.0 dBFS");
			return tone != std::string::npos && shown.find("L -inf dBFS", tone) != std::string::npos;
		};
		ASSERT_TRUE(WaitUntil(stalled, 60s)) << terminal.Output();
		terminal.Type("q");
		const auto typed = Clock::now();
		EXPECT_EQ(terminal.Wait(30s), 0) << terminal.Output();
		// Within a second on a quiet machine; without the key the player would
		// wait for the writer, which keeps the pipe open until it has ended.
		EXPECT_LT(Clock::now() - typed, 10s);
		writer.join();
		close(ends[1]);
	}
}

TEST_F(VuplayTerminal, APlayerStartedInTheBackgroundOfAnInteractiveShellKeepsPlayingAndEndsOnKill) {
	Watchdog watchdog(120s);
	const std::string long_ = dir_ / "long.wav", blocks = dir_ / "blocks", err = dir_ / "err";
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + long_ + "' synth 30 sine 440 vol 0.5"));
	ScopedVariable addon("VUPLAY_TEST_ADDON", "blocks");
	ScopedVariable mark("VUPLAY_TEST_ADDON_MARK", blocks.c_str());
	PseudoTerminal shell({"/bin/bash", "--norc", "--noprofile", "-i"});
	shell.Type(Program() + " --mute -p '" VUPLAY_TEST_ADDON "' '" + long_ + "' 2>'" + err +
	           "' & echo \"pid=$!.\"\n");
	ASSERT_TRUE(shell.WaitFor(".\r\n", 30s)) << shell.Output();
	const std::string& said = shell.Output();
	const size_t at = said.rfind("pid=");
	ASSERT_NE(at, std::string::npos) << said;
	const pid_t pid = std::atoi(said.c_str() + at + 4);
	ASSERT_GT(pid, 0);

	// Playing on, not stopped for touching the terminal it does not own.
	ASSERT_TRUE(WaitUntil([&] { return ReadRenderedBlocks(blocks).size() > 20; }, 60s)) << ReadFile(err);
	const size_t before = ReadRenderedBlocks(blocks).size();
	std::this_thread::sleep_for(1s);
	EXPECT_GT(ReadRenderedBlocks(blocks).size(), before + 40);
	EXPECT_EQ(shell.Output().find("dBFS"), std::string::npos) << "a progress line from the background";

	ASSERT_EQ(kill(pid, SIGTERM), 0);
	shell.Type("wait " + std::to_string(pid) + "; echo \"status=$?.\"\n");
	EXPECT_TRUE(shell.WaitFor("status=143.", 30s)) << shell.Output();
	EXPECT_EQ(ReadFile(err), "vuplay: ended by SIGTERM\n");
}

} // namespace
