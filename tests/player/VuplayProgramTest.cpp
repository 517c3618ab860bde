// Runs the built vuplay as a process, headless and without sound, with the
// real add-ons and a scratch settings folder.
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstring>
#include <random>
#include <sstream>

#include "player/VuplayFixture.h"

namespace {

class VuplayProgramTest : public VuplayFixture {};

// The first line where `text` departs from `expected`, with both; empty
// when they are the same.
std::string FirstDifference(const std::string& text, const std::string& expected) {
	std::istringstream a(text), b(expected);
	std::string lineA, lineB;
	for (int number = 1;; number++) {
		const bool moreA = bool(std::getline(a, lineA)), moreB = bool(std::getline(b, lineB));
		if (!moreA && !moreB) return "";
		if (moreA != moreB || lineA != lineB)
			return "line " + std::to_string(number) + ": '" + (moreA ? lineA : "(end)") + "' instead of '" +
			       (moreB ? lineB : "(end)") + "'";
	}
}

TEST_F(VuplayProgramTest, RecordsOneFramePerBlockAndEndsWithTheFile) {
	const std::string video = dir_ / "out.y4m";
	const Outcome run = Vuplay("--record '" + video + "' --fps block '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	const std::string stream = ReadFile(video);
	EXPECT_EQ(stream.rfind("YUV4MPEG2 ", 0), 0u);
	// 44100 / 512 blocks a second, in lowest terms.
	EXPECT_NE(stream.find(" F11025:128 "), std::string::npos) << stream.substr(0, 80);
	EXPECT_EQ(Count(stream, "FRAME\n"), 87);
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
}

TEST_F(VuplayProgramTest, RecordsAtTheGivenFrameRateAndKeepsTheLastFrameAsPng) {
	const std::string video = dir_ / "out.y4m", picture = dir_ / "last.png";
	ASSERT_EQ(Vuplay("--record '" + video + "' --fps 10 '" + tone_ + "'").status, 0);
	EXPECT_EQ(Count(ReadFile(video), "FRAME\n"), 10);
	// The padding of the last block, 0.01 s, is no sound to show.
	ASSERT_EQ(Vuplay("--record '" + video + "' --fps 1000 '" + tone_ + "'").status, 0);
	EXPECT_EQ(Count(ReadFile(video), "FRAME\n"), 1000);
	ASSERT_EQ(Vuplay("--record '" + video + "' --fps 100 --duration 0.5 '" + tone_ + "'").status, 0);
	EXPECT_EQ(Count(ReadFile(video), "FRAME\n"), 50);
	ASSERT_EQ(Vuplay("--record '" + picture + "' '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(picture).substr(1, 3), "PNG");
	const std::string folder = dir_ / "frames";
	ASSERT_EQ(Vuplay("--record '" + folder + "/' --fps 5 '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(folder + "/frame-000005.png").substr(1, 3), "PNG");
	EXPECT_FALSE(std::filesystem::exists(folder + "/frame-000006.png"));
}

TEST_F(VuplayProgramTest, TraceFramesEveryRenderCallAndShowsTheDrawing) {
	const std::string trace = dir_ / "trace.txt";
	ASSERT_EQ(Vuplay("--trace '" + trace + "' '" + tone_ + "'").status, 0);
	const std::string text = ReadFile(trace);
	EXPECT_EQ(Count(text, "^render [0-9]+$"), 87);
	EXPECT_EQ(Count(text, "^done [0-9]+ true$"), 87);
	EXPECT_NE(text.find("render 1\n"), std::string::npos);
	EXPECT_NE(text.find("done 87 true\n"), std::string::npos);
	// The bar meter redraws every third block: bars filled, tops stroked.
	EXPECT_GT(Count(text, "^fill -?[0-9.]+ -?[0-9.]+ -?[0-9.]+ -?[0-9.]+$"), 20);
	EXPECT_GT(Count(text, "^line -?[0-9.]+ -?[0-9.]+ -?[0-9.]+ -?[0-9.]+$"), 20);
	EXPECT_EQ(Count(text, "^high [0-9]+ [0-9]+ [0-9]+ 255$"), Count(text, "^high "));
}

// The window's own threads draw when they get to it; what the trace holds
// does not depend on that.
TEST_F(VuplayProgramTest, ATraceIsTheSameInEveryRunWhenTheWindowDraws) {
	const std::string trace = dir_ / "trace.txt";
	const auto traced = [&](const std::string& args) {
		std::filesystem::remove(trace);
		const Outcome run = Vuplay("--trace '" + trace + "' " + args + " '" + tone_ + "'");
		EXPECT_EQ(run.status, 0) << run.err;
		return ReadFile(trace);
	};
	const std::string first = traced("-p corvel");
	EXPECT_EQ(first.rfind("update 0 0 ", 0), 0u) << first.substr(0, 100);
	for (int run = 2; run <= 20; run++)
		ASSERT_EQ(FirstDifference(traced("-p corvel"), first), "") << "run " << run;

	// A window that has drawn before its Init returns, and one that draws after.
	setenv("VUPLAY_TEST_ADDON", "window-drawn", 1);
	const std::string drawn = traced("-p '" VUPLAY_TEST_ADDON "'");
	setenv("VUPLAY_TEST_ADDON", "window", 1);
	const std::string late = traced("-p '" VUPLAY_TEST_ADDON "'");
	unsetenv("VUPLAY_TEST_ADDON");
	EXPECT_EQ(drawn.substr(0, drawn.find("render 2\n")),
	          "update 0 0 99 49\nhigh 10 20 30 255\nfill 0 0 99 49\nrender 1\ndone 1 true\n");
	EXPECT_EQ(FirstDifference(late, drawn), "");
}

TEST_F(VuplayProgramTest, ClosingTheMeterWindowStopsTheAddOnAndEndsTheProgram) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("-v -p kestle --events '" + Script("10 resize 200 100\n20 close\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.out.find("its object"), std::string::npos) << run.out;
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 19 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 20\n"), std::string::npos);
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	float frame[4];
	std::memcpy(frame, settings.data(), sizeof frame);
	EXPECT_EQ(frame[2] - frame[0], 200.0f);
	EXPECT_EQ(frame[3] - frame[1], 100.0f);
}

TEST_F(VuplayProgramTest, KeysFromTheMeterWindowPauseResumeAndQuit) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("-v --events '" + Script("5 key space\n6 key space\n12 key q\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(Count(run.out, "bytes=\" \""), 2) << run.out;
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 12 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 13\n"), std::string::npos);
}

TEST_F(VuplayProgramTest, ScriptedPrefsGainAboutStopAndStartAreApplied) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run = Vuplay("--events '" + Script("3 prefs\n5 gain 150\n8 about\n10 stop\n12 start\n") +
	                           "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	const std::string text = ReadFile(trace);
	EXPECT_NE(text.find("done 9 true\n"), std::string::npos);
	EXPECT_EQ(text.find("render 10\n"), std::string::npos);
	EXPECT_EQ(text.find("render 11\n"), std::string::npos);
	EXPECT_NE(text.find("done 12 true\n"), std::string::npos);
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	int32_t gain = 0;
	std::memcpy(&gain, settings.data() + 16, sizeof gain);
	EXPECT_EQ(gain, 150);
}

TEST_F(VuplayProgramTest, ScriptedRightClickAndMenuChoiceOpenThePreferences) {
	// The gain in the same block as the choice: the window must be open by then.
	const Outcome run =
	    Vuplay("--verbose --events '" +
	           Script("5 mouse 20 100 2\n5 menu Preferences\n5 gain 300\n9 menu Preferences\n") + "' '" +
	           tone_ + "'");
	// The menu closed with the choice, so the second one finds none, which fails the run.
	EXPECT_EQ(run.status, 1) << run.err;
	EXPECT_EQ(run.err,
	          "vuplay: " + (dir_ / "events.txt") + ":4: menu: no open menu has an item \"Preferences\"\n");
	const std::string settings = ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences");
	ASSERT_EQ(settings.size(), 20u);
	int32_t gain = 0;
	std::memcpy(&gain, settings.data() + 16, sizeof gain);
	EXPECT_EQ(gain, 300);
}

TEST_F(VuplayProgramTest, TheAboutBoxFromTheMeterWindowDoesNotStallTheMeters) {
	const std::string trace = dir_ / "trace.txt";
	const Outcome run =
	    Vuplay("--events '" + Script("5 key a\n") + "' --trace '" + trace + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 87);
}

TEST_F(VuplayProgramTest, VerboseCountsTheBlocksThatReachedEachAddOnsRender) {
	// The script follows the first add-on: stopped for blocks 10 and 11, while the second goes on.
	const Outcome run =
	    Vuplay("-v -p corvel -p kestle --events '" + Script("10 stop\n12 start\n") + "' '" + tone_ + "'");
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.out.find("\nblocks played: 87\n"), std::string::npos) << run.out;
	EXPECT_EQ(Count(run.out, "^blocks rendered by add-on 1 \\(.*vis_Corvel_VU-Meter\\): 85$"), 1) << run.out;
	EXPECT_EQ(Count(run.out, "^blocks rendered by add-on 2 \\(.*vis_Kestle_VU-Meter\\): 87$"), 1) << run.out;
}

TEST_F(VuplayProgramTest, RunsBothAddOnsAtOnceAndEachSavesItsSettings) {
	ASSERT_EQ(Vuplay("-p corvel -p kestle '" + tone_ + "'").status, 0);
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences").size(), 20u);
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences").size(), 20u);
}

TEST_F(VuplayProgramTest, AnAddOnThatIsNoLibraryOrHasNoNewPluginFailsWithOneLine) {
	const std::string text = dir_ / "not-a-library";
	std::ofstream(text) << "hello\n";
	Outcome run = Vuplay("-p '" + text + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(Count(run.err, "\n"), 1);
	EXPECT_NE(run.err.find(text), std::string::npos) << run.err;

	run = Vuplay("-p '" VUPLAY_NOT_AN_ADDON "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(Count(run.err, "\n"), 1);
	EXPECT_NE(run.err.find("NewPlugin"), std::string::npos) << run.err;

	// Opening a FIFO would wait for a writer that never comes.
	const std::string fifo = dir_ / "add-on.fifo";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	run = Vuplay("-p '" + fifo + "' -p corvel '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + fifo + ": not a regular file (a FIFO)\n");
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences").size(), 20u);
}

TEST_F(VuplayProgramTest, FilesThatCannotBeOpenedAreReportedOnceAndTheOthersPlay) {
	const std::string empty = dir_ / "empty.wav", garbage = dir_ / "garbage.mp3",
	                  folder = dir_ / "folder.wav";
	const std::string text = dir_ / "words.flac", trace = dir_ / "trace.txt";
	std::ofstream(empty).flush();
	std::ofstream(text) << "only some words\n";
	std::filesystem::create_directory(folder);
	// Seeded noise that the MP3 decoder tries, and complains about, before giving up.
	std::mt19937 noise(7);
	std::string bytes(50000, '\0');
	for (char& byte : bytes)
		byte = static_cast<char>(noise());
	std::ofstream(garbage, std::ios::binary) << bytes;

	const Outcome run = Vuplay("--trace '" + trace + "' '" + empty + "' '" + garbage + "' '" + tone_ + "' '" +
	                           folder + "' '" + text + "'");
	EXPECT_EQ(run.status, 1);
	// What libsndfile cannot read goes through ffmpeg, as the message shows.
	const std::string undecodable =
	    ": not a sound file in a format that can be decoded; to play it through ffmpeg: "
	    "ffmpeg -i ";
	EXPECT_EQ(run.err, "vuplay: " + empty + ": empty file\nvuplay: " + garbage + undecodable + garbage +
	                       " -f wav - | vuplay -\nvuplay: " + folder + ": is a directory\nvuplay: " + text +
	                       undecodable + text + " -f wav - | vuplay -\n");
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 87);

	// A name cannot forge a line of its own, nor reach the terminal's controls.
	const Outcome forged = Vuplay("$'" + (dir_ / "nofile\\nvuplay: all fine\\e[2J'"));
	EXPECT_EQ(forged.status, 1);
	EXPECT_EQ(forged.err, "vuplay: " + (dir_ / "nofile\\nvuplay: all fine\\x1b[2J") + ": no such file\n");

	std::filesystem::remove_all(settings_);
	const Outcome none = Vuplay("'" + empty + "' '" + folder + "'");
	EXPECT_EQ(none.status, 1);
	EXPECT_EQ(Count(none.err, "\n"), 2);
	EXPECT_FALSE(std::filesystem::exists(settings_)) << "no add-on should have run";
}

TEST_F(VuplayProgramTest, AFileThatFailsAtItsTurnIsReportedAndTheNextOnePlays) {
	if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
	const std::string song = dir_ / "song.mp3", broken = dir_ / "broken.mp3", trace = dir_ / "trace.txt";
	ASSERT_TRUE(RunQuietly("ffmpeg -y -f lavfi -i sine=frequency=440:duration=3 -ac 2 -c:a libmp3lame '" +
	                       song + "'"));
	// A good start, then a stretch of noise the decoder cannot get past.
	std::string bytes = ReadFile(song);
	ASSERT_GT(bytes.size(), 40000u);
	std::mt19937 noise(3);
	for (size_t i = 10000; i < 30000; i++)
		bytes[i] = static_cast<char>(noise());
	std::ofstream(broken, std::ios::binary) << bytes;

	const Outcome run = Vuplay("--trace '" + trace + "' '" + broken + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	// One line of ours; nothing of the decoder's own.
	EXPECT_EQ(Count(run.err, "\n"), 1) << run.err;
	EXPECT_EQ(run.err.rfind("vuplay: " + broken + ": cannot decode", 0), 0u) << run.err;
	// Some blocks of the broken file, then the whole tone.
	EXPECT_GT(Count(ReadFile(trace), "^done [0-9]+ true$"), 87);
}

TEST_F(VuplayProgramTest, TheSoundSystemsOwnComplaintsStayOffTheTerminal) {
	// ALSA with a card that does not exist: it explains itself at length on standard error.
	Watchdog watchdog(std::chrono::seconds(60));
	const std::string err = dir_ / "stderr";
	const int raw =
	    std::system(("PULSE_SERVER=unix:/nonexistent SDL_AUDIODRIVER=alsa ALSA_CARD=no-such-card "
	                 "timeout 30 '" VUPLAY_PROGRAM "' --headless --capture </dev/null >/dev/null 2>'" +
	                 err + "'")
	                    .c_str());
	EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
	const std::string text = ReadFile(err);
	EXPECT_EQ(Count(text, "\n"), 1) << text;
	EXPECT_EQ(
	    text.rfind("vuplay: --capture: no sound server answers, and no capture device opens without one; "
	               "start a server with ",
	               0),
	    0u)
	    << text;
}

TEST_F(VuplayProgramTest, WithoutASoundServerAWrongCaptureNameListsTheDevicesAndMonitorSaysHowToStartOne) {
	const std::string noServer = "PULSE_SERVER=unix:/nonexistent SDL_AUDIODRIVER=dummy ";
	const Outcome list = Shell(noServer + Program() + " --list-devices");
	EXPECT_EQ(list.status, 0) << list.err;
	EXPECT_EQ(list.out.rfind("sound server: none answers (", 0), 0u) << list.out;
	const Outcome wrong = Shell(noServer + Program() + " --headless --capture='no such mic'");
	EXPECT_EQ(wrong.status, 1);
	EXPECT_EQ(wrong.err.rfind("vuplay: capture device 'no such mic': ", 0), 0u) << wrong.err;
	EXPECT_TRUE(wrong.err.ends_with("; the devices are:\n" + list.out)) << wrong.err;
	const Outcome monitor = Shell(noServer + Program() + " --headless --monitor");
	EXPECT_EQ(monitor.status, 1);
	EXPECT_EQ(monitor.err, "vuplay: --monitor: no sound server runs for this user; start one with 'systemctl "
	                       "--user start pipewire-pulse' or 'pulseaudio --start'\n");
}

TEST_F(VuplayProgramTest, FullscreenDrawsTheWholeScreenAndWithoutADisplayFailsBeforeAnyAddonRuns) {
	const std::string last = dir_ / "last.png";
	const Outcome run = Vuplay("--fullscreen --screen 320x200 --record '" + last + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	// The PNG's size, big-endian in its header.
	const std::string png = ReadFile(last);
	ASSERT_GT(png.size(), 24u);
	auto word = [&](size_t at) {
		return (uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) | (uint8_t(png[at + 2]) << 8) |
		       uint8_t(png[at + 3]);
	};
	EXPECT_EQ(word(16), 320u);
	EXPECT_EQ(word(20), 200u);

	std::filesystem::remove_all(settings_);
	const Outcome none = Shell("env -u DISPLAY -u VUMETERS_HEADLESS SDL_AUDIODRIVER=dummy " + Program() +
	                           " --fullscreen '" + tone_ + "'");
	EXPECT_EQ(none.status, 1);
	EXPECT_EQ(none.err, "vuplay: --fullscreen: no display: DISPLAY is not set\n");
	EXPECT_FALSE(std::filesystem::exists(settings_)) << "no add-on should have run";
}

TEST_F(VuplayProgramTest, DurationStopsAfterThatMuchSoundOfTheDemoOrOfTheFilesTogether) {
	const std::string trace = dir_ / "trace.txt";
	const auto renders = [&](const std::string& args) {
		const Outcome run = Vuplay("--trace '" + trace + "' " + args);
		EXPECT_EQ(run.status, 0) << args << ": " << run.err;
		return Count(ReadFile(trace), "^render [0-9]+$");
	};
	// Half a second is 22050 frames: 43 blocks and part of one more.
	EXPECT_EQ(renders("--duration 0.5"), 44);
	// The one-second tone, 87 blocks, then about half of it again.
	const int twoFiles = renders("--duration 1.5 '" + tone_ + "' '" + tone_ + "' '" + tone_ + "'");
	EXPECT_GE(twoFiles, 87 + 43);
	EXPECT_LE(twoFiles, 87 + 44);
	EXPECT_EQ(renders("--duration 10 '" + tone_ + "'"), 87);
}

TEST_F(VuplayProgramTest, NoDisplayAndNoSoundOutputAreEachSaidInOneLineWithoutVerbose) {
	const std::string video = dir_ / "out.y4m";
	const std::string start =
	    "env -u DISPLAY -u VUMETERS_HEADLESS SDL_AUDIODRIVER=alsa ALSA_CARD=no-such-card "
	    "timeout 60 " +
	    Program() + " --duration 0.2 ";
	const Outcome unseen = Shell(start + "'" + tone_ + "'");
	EXPECT_EQ(unseen.status, 0) << unseen.err;
	EXPECT_EQ(Count(unseen.err, "\n"), 2) << unseen.err;
	EXPECT_EQ(Count(unseen.err, "^vuplay: no display: DISPLAY is not set; the meters are drawn off screen, "
	                            "and nothing shows them \\(--record PATH keeps them\\)$"),
	          1)
	    << unseen.err;
	EXPECT_EQ(Count(unseen.err, "^vuplay: no sound output: .+; pacing by the clock$"), 1) << unseen.err;

	const Outcome recorded = Shell(start + "--record '" + video + "' '" + tone_ + "'");
	EXPECT_EQ(recorded.status, 0) << recorded.err;
	EXPECT_EQ(Count(recorded.err, "^vuplay: no display: .+, into the recording " + video + "$"), 1)
	    << recorded.err;
	// Asked for, off screen is nothing to report.
	EXPECT_EQ(Vuplay("--duration 0.2 '" + tone_ + "'").err, "");
}

TEST_F(VuplayProgramTest, AddOnsThatFailAreReportedAndTheOthersRun) {
	const std::string text = dir_ / "not-a-library", trace = dir_ / "trace.txt";
	std::ofstream(text) << "hello\n";
	for (const char* mode : {"fail", "throw"}) {
		setenv("VUPLAY_TEST_ADDON", mode, 1);
		const Outcome run = Vuplay("--trace '" + trace + "' -p '" + text +
		                           "' -p '" VUPLAY_TEST_ADDON "' -p corvel '" + tone_ + "'");
		unsetenv("VUPLAY_TEST_ADDON");
		EXPECT_EQ(run.status, 1) << mode;
		EXPECT_EQ(Count(run.err, "\n"), 2) << run.err;
		EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
		EXPECT_NE(run.err.find(VUPLAY_TEST_ADDON ": the add-on failed to start"), std::string::npos)
		    << run.err;
		// The trace follows the first add-on that started.
		EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 87) << mode;
		EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences").size(), 20u);
	}
}

// An exception out of an add-on's call is named with the call, as a crash
// is; that add-on is let go, the other plays on and saves its settings, and
// the run fails.
TEST_F(VuplayProgramTest, AnExceptionOutOfAnAddOnsCallIsOneLineAndTheOthersPlayOn) {
	const std::string script = Script("3 prefs\n5 about\n"), trace = dir_ / "trace.txt";
	const std::string settings = settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	for (const std::string call : {"Render", "Prefs", "About", "Cleanup"}) {
		std::filesystem::remove(settings);
		const ScopedVariable mode("VUPLAY_TEST_ADDON", ("throw-in-" + call).c_str());
		const Outcome run =
		    Vuplay("-p '" VUPLAY_TEST_ADDON "' -p corvel --events '" + script + "' '" + tone_ + "'");
		EXPECT_EQ(run.status, 1) << call;
		EXPECT_EQ(run.err, "vuplay: " VUPLAY_TEST_ADDON ": the add-on threw an exception in " + call + ": " +
		                       call + " refuses\n");
		EXPECT_EQ(ReadFile(settings).size(), 20u) << call;
	}
}

TEST_F(VuplayProgramTest, AnAddOnThatCrashesInInitEndsThePlayerWithOneLine) {
	setenv("VUPLAY_TEST_ADDON", "crash", 1);
	const Outcome run = Vuplay("-p '" VUPLAY_TEST_ADDON "' '" + tone_ + "'");
	unsetenv("VUPLAY_TEST_ADDON");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " VUPLAY_TEST_ADDON ": the add-on crashed while starting (signal 11)\n");
}

TEST_F(VuplayProgramTest, ASignalDuringStartUpOrPlayStillLetsTheAddOnsSaveTheirSettings) {
	const std::string mark = dir_ / "in-init", trace = dir_ / "trace.txt";
	const std::string settings = settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	// vuplay in the background, a signal once `ready` holds, then its exit status.
	auto signalled = [&](const std::string& signal, const std::string& args, const std::string& ready) {
		return Shell("SDL_AUDIODRIVER=dummy VUPLAY_TEST_ADDON=slow VUPLAY_TEST_ADDON_MARK='" + mark + "' " +
		             Program() + " --headless " + args + " & pid=$!; for i in $(seq 600); do " + ready +
		             " && break; sleep 0.05; done; kill -" + signal + " $pid; wait $pid")
		    .status;
	};

	// Each ends the run as the shell shows a signal: 128 + its number.
	EXPECT_EQ(
	    signalled("TERM", "-p corvel -p '" VUPLAY_TEST_ADDON "' '" + tone_ + "'", "[ -e '" + mark + "' ]"),
	    128 + SIGTERM);
	EXPECT_EQ(ReadFile(dir_ / "stderr"), "vuplay: ended by SIGTERM\n");
	EXPECT_EQ(ReadFile(settings).size(), 20u);

	// A hang-up (the terminal closed), a quit (Ctrl+backslash), the user signals and a timer end
	// the run as an interrupt does.
	for (const auto& [name, number] :
	     {std::pair{"INT", SIGINT}, std::pair{"HUP", SIGHUP}, std::pair{"QUIT", SIGQUIT},
	      std::pair{"USR1", SIGUSR1}, std::pair{"USR2", SIGUSR2}, std::pair{"ALRM", SIGALRM}}) {
		std::filesystem::remove(settings);
		std::filesystem::remove(trace);
		EXPECT_EQ(signalled(name, "--realtime --trace '" + trace + "' '" + tone_ + "'",
		                    "grep -qs '^done 5 ' '" + trace + "'"),
		          128 + number)
		    << name;
		EXPECT_EQ(ReadFile(dir_ / "stderr"), std::string("vuplay: ended by SIG") + name + "\n");
		EXPECT_EQ(ReadFile(settings).size(), 20u) << name;
	}
}

TEST_F(VuplayProgramTest, AddOnsAreFoundByFileNameInTheAddOnPathAndListed) {
	const std::string folder = dir_ / "add-ons";
	std::filesystem::create_directory(folder);
	std::filesystem::copy_file(VUPLAY_TEST_ADDON, folder + "/my_meter");
	std::filesystem::create_symlink(VUPLAY_NOT_AN_ADDON, folder + "/libnot.so");
	std::ofstream(folder + "/notes.txt") << "not a library\n";
	// Files that start like a library: one named as the name "kestle", which
	// stands for another file, and one named as Corvel's file that is none.
	std::ofstream(folder + "/kestle") << "\177ELF" << std::string(100, '\1');
	std::ofstream(folder + "/vis_Corvel_VU-Meter") << "\177ELF" << std::string(100, '\1');
	const ScopedVariable path("VUMETERS_ADDON_PATH", folder.c_str());
	const ScopedVariable home("HOME", (dir_ / "home").c_str());
	const Outcome list = Vuplay("--list-plugins");
	const Outcome skipped = Vuplay("--list-plugins -v");
	const Outcome run = Vuplay("-p my_meter -p corvel '" + tone_ + "'");
	const Outcome wrong = Vuplay("-p notes.txt");

	EXPECT_EQ(list.status, 0) << list.err;
	EXPECT_EQ(Count(list.out, "^my_meter +Misbehaving test add-on +" + folder + "/my_meter$"), 1) << list.out;
	EXPECT_EQ(Count(list.out, "^corvel +Corvel's VU-Meter by Corvel Dravik +/.+/vis_Corvel_VU-Meter$"), 1)
	    << list.out;
	EXPECT_EQ(Count(list.out, "^kestle +Kestle VU-Meter by Vessik Lundrel +/.+/vis_Kestle_VU-Meter$"), 1)
	    << list.out;
	EXPECT_EQ(list.err, "vuplay: " + folder + "/libnot.so: not an add-on (no NewPlugin)\n");
	EXPECT_EQ(skipped.out.substr(0, skipped.out.find("skipped: ")), list.out);
	EXPECT_EQ(skipped.out.substr(skipped.out.find("skipped: ")),
	          "skipped: " + folder +
	              "/kestle: the name kestle stands for vis_Kestle_VU-Meter; give the path to "
	              "run it\nskipped: " +
	              folder + "/notes.txt: not a library\nskipped: " + folder +
	              "/vis_Corvel_VU-Meter: not a shared library for this machine\n");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(ReadFile(settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences").size(), 20u);
	EXPECT_EQ(wrong.status, 2);
	// A file of the name that is none says so, as the listing does.
	EXPECT_NE(wrong.err.find("add-on 'notes.txt': the folder " + folder +
	                         " holds notes.txt, which is not an add-on: not a library; the add-ons there are "
	                         "libnot.so, my_meter, corvel, kestle"),
	          std::string::npos)
	    << wrong.err;
}

TEST_F(VuplayProgramTest, ABadOptionExitsWithTwo) {
	const Outcome run = Vuplay("--no-such-option");
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("--no-such-option"), std::string::npos);
}

// Settings files that are not regular files.

TEST_F(VuplayProgramTest, SettingsFilesThatAreFifosCountAsNoneAndNeverBlockTheStart) {
	std::filesystem::create_directories(settings_);
	const std::string corvel = settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	const std::string kestle = settings_ + "/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";
	ASSERT_EQ(mkfifo(corvel.c_str(), 0600), 0);
	ASSERT_EQ(mkfifo(kestle.c_str(), 0600), 0);
	const Outcome run = Vuplay("-p corvel -p kestle '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_TRUE(std::filesystem::is_fifo(corvel));
	EXPECT_TRUE(std::filesystem::is_fifo(kestle));
}

} // namespace
