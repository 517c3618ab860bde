// vuplay runs in which something fails or is cut short: each must end with
// status 1 (or 128 + the signal that ended it) and a line naming what, unless
// what failed leaves what was asked for done, as settings that are not saved do.
// Grouped as recordings, traces, settings, scripts and inputs.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <map>

#include "player/ChildProcess.h"
#include "player/VuplayFixture.h"
#include "support/Unprivileged.h"

using namespace std::chrono_literals;

namespace {

// The frames of a YUV4MPEG2 stream, each its planes without the "FRAME" line;
// nothing when the stream is not whole frames of its header's size.
std::optional<std::vector<std::string>> Frames(const std::string& stream) {
	int width = 0, height = 0;
	const size_t headerEnd = stream.find('\n');
	if (stream.rfind("YUV4MPEG2 ", 0) != 0 || headerEnd == std::string::npos ||
	    std::sscanf(stream.c_str(), "YUV4MPEG2 W%d H%d", &width, &height) != 2)
		return std::nullopt;
	const size_t planes = size_t(width) * height + 2 * size_t((width + 1) / 2) * ((height + 1) / 2);
	std::vector<std::string> frames;
	for (size_t at = headerEnd + 1; at < stream.size(); at += 6 + planes) {
		if (stream.compare(at, 6, "FRAME\n") != 0 || at + 6 + planes > stream.size()) return std::nullopt;
		frames.push_back(stream.substr(at + 6, planes));
	}
	return frames;
}

size_t FrameCount(const std::string& path) {
	const auto frames = Frames(ReadFile(path));
	return frames ? frames->size() : 0;
}

class VuplayFailures : public VuplayFixture {
protected:
	std::string Corvel() const { return settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences"; }

	// vuplay in the background, paced by the clock, its standard error to the file "stderr".
	std::unique_ptr<Child> Start(std::vector<std::string> args) {
		args.insert(args.begin(), {"--settings-dir", settings_, "--headless", "--realtime"});
		return std::make_unique<Child>(VUPLAY_PROGRAM, args, STDOUT_FILENO, dir_ / "stderr");
	}
};

// Recordings.

TEST_F(VuplayFailures, ARecordingLastsAsLongAsTheSoundWhateverTheRecordedMeterDoes) {
	const std::string video = dir_ / "out.y4m";
	// The first add-on opens no window: the first that has one is recorded.
	Outcome run =
	    Vuplay("-p '" VUPLAY_TEST_ADDON "' -p corvel --record '" + video + "' --fps block '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(FrameCount(video), 87u);

	// Stopped at once and started again: the last picture stands in for the stopped meter.
	run = Vuplay("--events '" + Script("1 stop\n50 start\n") + "' --record '" + video + "' --fps block '" +
	             tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	const auto frames = Frames(ReadFile(video));
	ASSERT_TRUE(frames.has_value());
	ASSERT_EQ(frames->size(), 87u);
	for (size_t i = 1; i < 49; i++)
		EXPECT_EQ((*frames)[i], (*frames)[0]) << "frame " << i + 1;

	// Closing the only meter ends the run after its block: one frame for it.
	run = Vuplay("--events '" + Script("1 close\n") + "' --record '" + video + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(FrameCount(video), 1u);

	// A rate too low for any frame time to come in a second still gives one.
	run = Vuplay("--fps 0.1 --record '" + video + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(FrameCount(video), 1u);

	const std::string picture = dir_ / "last.png";
	run = Vuplay("--events '" + Script("1 stop\n") + "' --record '" + picture + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(ReadFile(picture).substr(1, 3), "PNG");
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
}

TEST_F(VuplayFailures, ARecordingThatCannotBeMadeFailsNamingWhatIsAtFault) {
	Outcome run = Vuplay("--record '" + (dir_ / ".y4m") + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("is only an extension"), std::string::npos) << run.err;
	EXPECT_FALSE(std::filesystem::exists(dir_ / ".y4m"));

	const std::string missing = dir_ / "missing";
	run = Vuplay("--record '" + missing + "/out.y4m' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + missing + ": cannot create a file in it: No such file or directory\n");

	const std::string folder = dir_ / "folder.y4m";
	std::filesystem::create_directory(folder);
	run = Vuplay("--record '" + folder + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + folder + ": Is a directory\n");

	run = Vuplay("-p '" VUPLAY_TEST_ADDON "' --record '" + (dir_ / "out.y4m") + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + (dir_ / "out.y4m") + ": no add-on opened a meter window to record\n");
	EXPECT_EQ(FilesEndingIn(".y4m"), std::vector<std::string>{"folder.y4m"});
}

TEST_F(VuplayFailures, ASignalCutsARecordingShortKeepsWhatItShowsAndSaysWhere) {
	Watchdog watchdog(120s);
	const std::string video = dir_ / "out.y4m", trace = dir_ / "trace.txt";
	auto child = Start({"--record", video, "--fps", "block", "--trace", trace, tone_});
	ASSERT_TRUE(WaitUntil([&] { return ReadFile(trace).find("done 20 ") != std::string::npos; }, 60s));
	ASSERT_EQ(kill(child->Pid(), SIGTERM), 0);
	EXPECT_EQ(child->Wait(60s), 128 + SIGTERM);
	EXPECT_EQ(ReadFile(dir_ / "stderr"),
	          "vuplay: " + video + ": recording cut short at 00:00\nvuplay: ended by SIGTERM\n");
	// A frame for every block played, and no more: the stream is whole frames.
	const size_t blocks = Count(ReadFile(trace), "^done [0-9]+ true$");
	EXPECT_GE(blocks, 20u);
	EXPECT_LT(blocks, 87u);
	EXPECT_EQ(FrameCount(video), blocks);
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
	EXPECT_EQ(ReadFile(Corvel()).size(), 20u);
}

TEST_F(VuplayFailures, TwoRunsRecordingToOnePathAtOnceEachWriteAWholeStream) {
	Watchdog watchdog(120s);
	const std::string video = dir_ / "out.y4m";
	auto first = Start({"--record", video, "--fps", "block", tone_});
	auto second = Start({"--record", video, "--fps", "block", tone_});
	// Both are writing, each into a file of its own.
	ASSERT_TRUE(WaitUntil([&] { return FilesEndingIn(".part").size() == 2; }, 60s));
	EXPECT_EQ(first->Wait(60s), 0);
	EXPECT_EQ(second->Wait(60s), 0);
	EXPECT_EQ(FrameCount(video), 87u);
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
}

// The add-ons write their settings files as they unload: those are outputs
// too, in the folder the run gives them and, for a headless run with a
// private copy, the user's own.
TEST_F(VuplayFailures, ATraceOrARecordingOverAnAddOnsSettingsFileIsRefused) {
	const std::string corvel = settings_ + "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	const std::string link = dir_ / "settings.y4m";
	ASSERT_EQ(Vuplay("'" + tone_ + "'").status, 0);
	const std::string saved = ReadFile(corvel);
	ASSERT_EQ(saved.size(), 20u);
	std::filesystem::create_symlink(corvel, link);
	for (const std::string& output : {"--trace '" + corvel + "'", "--record '" + link + "'"}) {
		const Outcome run = Vuplay(output + " -p kestle -p corvel '" + tone_ + "'");
		EXPECT_EQ(run.status, 2) << output;
		EXPECT_EQ(run.err, "vuplay: " + output + " would write over the add-on settings file '" + corvel +
		                       "' (see --help)\n");
		EXPECT_EQ(ReadFile(corvel), saved) << output;
	}

	const std::string user = dir_ / "config/vu-meters/Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";
	const Outcome run =
	    Shell("XDG_CONFIG_HOME='" + dir_ / "config" +
	          "' SDL_AUDIODRIVER=dummy timeout 100 '" VUPLAY_PROGRAM "' --headless -p kestle --trace '" +
	          user + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.err, "vuplay: --trace '" + user + "' would write over the add-on settings file '" + user +
	                       "' (see --help)\n");
	EXPECT_FALSE(std::filesystem::exists(user));
}

TEST_F(VuplayFailures, AnOutputOverAnInputOrAnotherOutputOrAProtectedFileIsRefusedBeforeAnyWriting) {
	const std::string victim = dir_ / "victim.wav", link = dir_ / "link.y4m", video = dir_ / "same.y4m";
	std::filesystem::copy_file(tone_, victim);
	std::filesystem::create_symlink(victim, link);
	const std::string sound = ReadFile(victim);
	Outcome run = Vuplay("--trace '" + victim + "' '" + victim + "'");
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.err, "vuplay: --trace '" + victim + "' would write over the input '" + victim +
	                       "', the same file (see --help)\n");
	run = Vuplay("--record '" + link + "' '" + victim + "'");
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("--record '" + link + "' would write over the input"), std::string::npos)
	    << run.err;
	EXPECT_EQ(ReadFile(victim), sound);

	run = Vuplay("--trace '" + video + "' --record '" + video + "' '" + victim + "'");
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.err, "vuplay: --trace '" + video + "' and --record '" + video +
	                       "' would write the same file; give each its own (see --help)\n");
	EXPECT_FALSE(std::filesystem::exists(video));

	// Nobody may write it: kept as it is, though the superuser could.
	std::ofstream(video) << "kept";
	std::filesystem::permissions(video, std::filesystem::perms::owner_read |
	                                        std::filesystem::perms::group_read |
	                                        std::filesystem::perms::others_read);
	run = Vuplay("--record '" + video + "' '" + victim + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + video + ": cannot replace it: it is write-protected (mode 0444)\n");
	EXPECT_EQ(ReadFile(video), "kept");
	EXPECT_EQ(FilesEndingIn(".part"), std::vector<std::string>{});
}

// Traces.

TEST_F(VuplayFailures, ATraceThatCannotBeWrittenFailsWithTheReasonAndEndsWithAWholeLine) {
	Outcome run = Vuplay("--trace /dev/full '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: /dev/full: cannot write: No space left on device\n");

	const std::string missing = dir_ / "missing/trace.txt";
	run = Vuplay("--trace '" + missing + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + missing + ": cannot create: No such file or directory\n");

	// A disk that fills up in the middle of a line.
	const std::string trace = dir_ / "trace.txt";
	run = Shell("ulimit -f 4; SDL_AUDIODRIVER=dummy exec " + Program() + " --headless --trace '" + trace +
	            "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + trace + ": cannot write: File too large\n");
	const std::string text = ReadFile(trace);
	ASSERT_FALSE(text.empty());
	EXPECT_EQ(text.back(), '\n');
	const std::string line = "(render|done|resized|update|high|view|fill|line|sync)( [-0-9.a-z]+)*\n";
	EXPECT_TRUE(std::regex_match(text, std::regex("(" + line + ")+"))) << text.substr(text.size() - 100);
}

// Standard output.

TEST_F(VuplayFailures, WhatCannotBeWrittenToStandardOutputFailsWithALine) {
	for (const char* args : {"--help", "--version", "--list-plugins", "--headless -v"}) {
		const Outcome run = Shell(Program() + " " + args + " '" + tone_ + "' >/dev/full");
		EXPECT_EQ(run.status, 1) << args;
		EXPECT_EQ(run.err, "vuplay: standard output: cannot write: No space left on device\n") << args;
	}
}

// Settings.

TEST_F(VuplayFailures, SettingsThatAreNotSavedAreNamedWithTheReasonAndTheRunStillSucceeds) {
	const std::string name = "/Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
	const std::string file = dir_ / "a-file";
	std::ofstream(file) << "not a folder\n";
	Outcome run = Shell("SDL_AUDIODRIVER=dummy '" VUPLAY_PROGRAM "' --headless --settings-dir '" + file +
	                    "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "vuplay: settings not saved: " + file + name + ": Not a directory\n");

	std::filesystem::create_directories(settings_ + name);
	run = Vuplay("'" + tone_ + "'");
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "vuplay: settings not saved: " + settings_ + name + ": Is a directory\n");
	std::filesystem::remove(settings_ + name);

	// A full disk, once the player plays: a file size limit of 0 would stop the thread
	// sanitizer's start-up too. Standard error goes through a FIFO, which the limit does not touch.
	const std::string out = dir_ / "out", errors = dir_ / "errors";
	run =
	    Shell("mkfifo '" + out + "' '" + errors + "'; cat '" + errors + "' >&2 & reader=$!; " +
	          "SDL_AUDIODRIVER=dummy " + Program() + " --headless --realtime -v '" + tone_ + "' >'" + out +
	          "' 2>'" + errors + "' & player=$!; exec 3<'" + out + "'; read -r -u 3 playing; " +
	          "prlimit --pid $player --fsize=0; cat <&3 >/dev/null; wait $player; status=$?; wait $reader; " +
	          "exit $status");
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "vuplay: settings not saved: " + settings_ + name + ": File too large\n");
	EXPECT_FALSE(std::filesystem::exists(settings_ + name));

	// A read-only folder holding a read-only file, as a user whom both stop.
	std::ofstream(settings_ + name) << "kept as it was";
	GiveToUnprivilegedUser(dir_ / "");
	std::filesystem::permissions(settings_ + name, std::filesystem::perms::owner_read);
	std::filesystem::permissions(settings_,
	                             std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
	run = Shell("SDL_AUDIODRIVER=dummy setpriv --reuid=65534 --regid=65534 --clear-groups " + Program() +
	            " --headless '" + tone_ + "'");
	std::filesystem::permissions(settings_, std::filesystem::perms::owner_all);
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "vuplay: settings not saved: " + settings_ + name + ": Permission denied\n");
	EXPECT_EQ(ReadFile(settings_ + name), "kept as it was");
}

// Scripts.

TEST_F(VuplayFailures, ScriptEventsThatCannotBeAppliedFailTheRunOnceItIsOver) {
	const std::string script = Script("2 menu Nope\n3 gain 50\n"), trace = dir_ / "trace.txt";
	Outcome run = Vuplay("--events '" + script + "' --trace '" + trace + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + script + ":1: menu: no open menu has an item \"Nope\"\nvuplay: " +
	                       script + ":2: gain: no preferences window is open\n");
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 87);

	// Events the run ended before: past the sound, or after the only meter closed.
	run = Vuplay("--events '" + Script("999999 move 10 10\n") + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + script + ":1: block 999999 never came: the run ended after block 87\n");
	run = Vuplay("--events '" + Script("1 close\n2 move 10 10\n3 key a\n") + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "vuplay: " + script +
	                       ":2: block 2 never came: the run ended after block 1 (1 more event after it)\n");

	// A byte-order mark, as some editors write one, is not part of the first line.
	run = Vuplay("--events '" +
	             Script("\xEF\xBB\xBF"
	                    "5 stop\n") +
	             "' --trace '" + trace + "' '" + tone_ + "'");
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 4);
}

// Inputs.

TEST_F(VuplayFailures, FilesCutShortInAnyFormatFailAtTheirEndAndTheNextOnePlays) {
	if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
	const std::string source = dir_ / "four-seconds.wav", trace = dir_ / "trace.txt";
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + source + "' synth 4 sine 440 vol 0.5"));
	const std::map<std::string, std::string> codecs = {{"wav", ""},
	                                                   {"flac", ""},
	                                                   {"ogg", "-c:a libvorbis"},
	                                                   {"opus", "-c:a libopus"},
	                                                   {"mp3", "-c:a libmp3lame"},
	                                                   {"aiff", ""},
	                                                   {"au", ""},
	                                                   {"w64", ""},
	                                                   {"rf64", "-f wav -rf64 always"}};
	std::string whole, cut;
	for (const auto& [format, codec] : codecs) {
		const std::string path = dir_ / ("tone." + format), part = dir_ / ("cut." + format);
		ASSERT_TRUE(RunQuietly("ffmpeg -y -i '" + source + "' " + codec + " '" + path + "'")) << format;
		const std::string bytes = ReadFile(path);
		std::ofstream(part, std::ios::binary) << bytes.substr(0, bytes.size() * 3 / 4);
		whole += " '" + path + "'";
		cut += " '" + part + "'";
	}
	Outcome run = Vuplay(whole);
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "");

	run = Vuplay("--trace '" + trace + "'" + cut + " '" + tone_ + "'");
	EXPECT_EQ(run.status, 1);
	for (const auto& [format, codec] : codecs) {
		// Ogg files state no length that survives the cut; the others do.
		const std::string stated = format == "ogg" || format == "opus" ? "" : " of 00:04";
		EXPECT_EQ(Count(run.err, "^vuplay: " + (dir_ / "cut.") + format +
		                             ": the file ends early, at 00:0[0-3]" + stated + "$"),
		          1)
		    << format << "\n"
		    << run.err;
	}
	EXPECT_EQ(Count(run.err, "\n"), int(codecs.size()));
	// What each holds played, then the whole tone.
	EXPECT_GT(Count(ReadFile(trace), "^done [0-9]+ true$"), 87 + int(codecs.size()) * 100);
}

TEST_F(VuplayFailures, AFileCutWhileItPlaysFailsWhereItEnded) {
	Watchdog watchdog(120s);
	const std::string song = dir_ / "song.wav", trace = dir_ / "trace.txt";
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + song + "' synth 4 sine 440 vol 0.5"));
	auto child = Start({"--trace", trace, song});
	ASSERT_TRUE(WaitUntil([&] { return ReadFile(trace).find("done 10 ") != std::string::npos; }, 60s));
	// Cut to a second and a half of sound, well ahead of what has been read.
	std::filesystem::resize_file(song, 44 + 66150 * 4);
	EXPECT_EQ(child->Wait(60s), 1);
	EXPECT_EQ(ReadFile(dir_ / "stderr"), "vuplay: " + song + ": the file ends early, at 00:01 of 00:04\n");
	EXPECT_EQ(Count(ReadFile(trace), "^done [0-9]+ true$"), 130); // 66150 frames: 129 blocks and a padded one
}

} // namespace
