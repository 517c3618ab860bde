// Both meters beside a real Audacious, in real windows, driven with audtool
// and the X tools as a user would: through run-under-xvfb.sh.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PrivateAudacious.h"
#include "player/NeedleTrace.h"
#include "player/RenderedBlocks.h"
#include "support/MeterWindows.h"
#include "support/PlayerSongs.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using Interface = PrivateAudacious::Interface;
using namespace player_songs;

// A WAV whose every frame says where it is: the frame's number, its low 15
// bits on the left and the next 15 on the right.
std::string WritePositions(const std::string& path, double seconds) {
	std::vector<int16_t> samples;
	for (int i = 0; i < int(seconds * kRate); i++) {
		samples.push_back(int16_t(i & 0x7fff));
		samples.push_back(int16_t((i >> 15) & 0x7fff));
	}
	EXPECT_TRUE(WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, samples));
	return path;
}

int64_t PositionOf(const RenderedBlock& block) {
	return block.samples[0] + (int64_t(block.samples[1]) << 15);
}

// Our code in a stack: our sources, or our libraries where they cannot be named.
std::string Reports(const std::string& log) {
	static const std::regex ours(
	    R"(/(audacious|feed|meterprocess|host|kit|core|display|meters|prefs|deliverables)/[^ /]+\.(cpp|h):|)"
	    R"(libvu-meters-audacious|libbe\.so|vu-meters-(corvel|kestle|feed)|vu-meter-process)");
	return player_songs::Reports(log, ours);
}

// The meter process Audacious started for `addon`; -1 when there is none.
pid_t MeterProcessOf(const PrivateAudacious& audacious, const std::string& addon) {
	return player_songs::MeterProcessOf(audacious.Pid(), addon);
}

class AudaciousTest : public testing::TestWithParam<Interface> {
protected:
	PrivateAudacious& StartAudacious(std::vector<std::string> environment = {}) {
		// The window manager lists the windows of the test before until it
		// has seen them go, and their ids come again.
		EXPECT_TRUE(
		    Eventually([] { return WindowId(kMeterTitle).empty() && WindowId(kNeedleMeterTitle).empty(); }));
		audacious_.emplace(GetParam(), std::vector<std::string>{CORVEL_PLUGIN, KESTLE_PLUGIN});
		EXPECT_TRUE(audacious_->Start(environment)) << audacious_->Log();
		return *audacious_;
	}

	// Enables the plug-in and waits for its meter window; its id.
	std::string Enable(const char* plugin, const char* title) {
		EXPECT_EQ(audacious_->Audtool(std::string("plugin-enable ") + plugin + " on").status, 0);
		std::string id;
		EXPECT_TRUE(Eventually([&] { return !(id = WindowId(title)).empty(); })) << audacious_->Log();
		return id;
	}

	std::string Status() const { return audacious_->Audtool("playback-status").out; }

	// A folder of add-ons where the test add-on stands for Corvel, its mode
	// read from the file ModeFile() names at each call.
	std::vector<std::string> TestAddonInstead() {
		namespace fs = std::filesystem;
		fs::create_directories(dir_ / "add-ons");
		fs::create_symlink(VUPLAY_TEST_ADDON, dir_ / "add-ons/vis_Corvel_VU-Meter");
		return {"VUMETERS_ADDON_PATH=" + (dir_ / "add-ons"), "VUPLAY_TEST_ADDON_MODE_FILE=" + ModeFile(),
		        "VUPLAY_TEST_ADDON_MARK=" + (dir_ / "blocks")};
	}
	std::string ModeFile() const { return dir_ / "mode"; }
	void SetMode(const std::string& mode) { std::ofstream(ModeFile()) << mode << "\n"; }

	Watchdog watchdog_{300s};
	TempDir dir_;
	std::optional<PrivateAudacious> audacious_;
};

using AudaciousQtTest = AudaciousTest;

// Two songs in a row with a pause in the first: the meter opens at its saved
// frame, every block of both songs reaches Render once, as vuplay renders
// the same files, call for call, none while paused; every burst shows, and
// after the last song the meter falls back to rest.
TEST_P(AudaciousQtTest, EveryBlockOfTwoSongsReachesRenderAsVuplayRendersThem) {
	const std::string trace = dir_ / "kestle.trace";
	PrivateAudacious& audacious = StartAudacious({"VUMETERS_KESTLE_TRACE=" + trace});
	ASSERT_TRUE(WriteFrame(audacious.Settings() + "/" + kNeedleSettingsFile, 400, 150, 599, 249));
	namespace fs = std::filesystem;
	fs::create_directories(dir_ / "vuplay-settings");
	fs::copy_file(audacious.Settings() + "/" + kNeedleSettingsFile,
	              dir_ / (std::string("vuplay-settings/") + kNeedleSettingsFile));
	const std::string window = Enable("vu-meters-kestle", kNeedleMeterTitle);
	EXPECT_EQ(SettledGeometry(window), (Geometry{400, 150, 200, 100}));

	const std::string bursts = WriteBursts(dir_ / "bursts.wav", 3),
	                  tone = WriteLeftTone(dir_ / "tone.wav", 1, 0.5);
	audacious.Audtool("playlist-addurl " + bursts);
	audacious.Audtool("playlist-addurl " + tone);
	audacious.Audtool("playback-play");
	ASSERT_TRUE(Eventually([&] { return RenderCount(trace) > 40; }));
	audacious.Audtool("playback-pause");
	ASSERT_TRUE(Eventually([&] { return Status() == "paused\n"; }));
	std::this_thread::sleep_for(300ms);
	const int paused = RenderCount(trace);
	std::this_thread::sleep_for(2s);
	EXPECT_EQ(RenderCount(trace), paused) << "nothing is rendered while paused";
	audacious.Audtool("playback-pause");
	const std::vector<std::string> vuplays =
	    VuplayRenderCalls(dir_ / "vuplay-settings", dir_ / "vuplay.trace", bursts + " " + tone);
	ASSERT_EQ(vuplays.size(), size_t(259 + 130)) << "each song's last block padded";
	// Once the last song is heard to its end, the meter gets silence until it rests.
	ASSERT_TRUE(Eventually([&] { return RenderCount(trace) > int(vuplays.size()) + 10; }, 30s));
	AwaitNoMoreRenders(trace);
	EXPECT_EQ(Status(), "stopped\n");
	audacious.Audtool("plugin-enable vu-meters-kestle off");
	ASSERT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));

	ExpectAsVuplay(trace, vuplays, 3, audacious.Log(), "Audacious");
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// A seek drops the blocks that waited to be heard and goes on from the new
// place, as vuplay cuts a file from where it seeks to.
TEST_P(AudaciousQtTest, ASeekGoesOnFromTheNewPlaceWithNothingOfWhatWaited) {
	std::vector<std::string> environment = TestAddonInstead();
	SetMode("blocks");
	PrivateAudacious& audacious = StartAudacious(environment);
	audacious.Audtool("playlist-addurl " + WritePositions(dir_ / "positions.wav", 20));
	audacious.Audtool("playback-play");
	ASSERT_TRUE(Eventually([&] { return Status() == "playing\n"; }));
	EXPECT_EQ(audacious.Audtool("plugin-enable vu-meters-corvel on").status, 0);
	ASSERT_TRUE(Eventually([&] { return ReadRenderedBlocks(dir_ / "blocks").size() > 50; }));
	audacious.Audtool("playback-seek 12");
	ASSERT_TRUE(Eventually([&] {
		const auto blocks = ReadRenderedBlocks(dir_ / "blocks");
		return !blocks.empty() && PositionOf(blocks.back()) > 13 * kRate;
	}));
	audacious.Audtool("plugin-enable vu-meters-corvel off");

	const std::vector<RenderedBlock> blocks = ReadRenderedBlocks(dir_ / "blocks");
	size_t jumps = 0;
	for (size_t i = 1; i < blocks.size(); i++) {
		const int64_t step = PositionOf(blocks[i]) - PositionOf(blocks[i - 1]);
		if (step == kBlockFrames) continue;
		jumps++;
		EXPECT_EQ(PositionOf(blocks[i]), 12 * kRate) << "the first block after the seek starts where it went";
		EXPECT_LT(PositionOf(blocks[i - 1]), 4 * kRate) << "the last block before it was heard before it";
	}
	EXPECT_EQ(jumps, 1u);
	EXPECT_EQ(Status(), "playing\n");
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// Both meters at once, each in its own window; disabling one closes its
// window and saves where it was, and enabling it again opens it there.
TEST_P(AudaciousTest, BothMetersRunTogetherAndOneReopensWhereItWasClosed) {
	PrivateAudacious& audacious = StartAudacious();
	const std::string corvel = Enable("vu-meters-corvel", kMeterTitle);
	const std::string kestle = Enable("vu-meters-kestle", kNeedleMeterTitle);
	EXPECT_NE(corvel, kestle);
	Shell("xdotool windowmove " + corvel + " 520 260");
	const auto moved = SettledGeometry(corvel);
	ASSERT_TRUE(moved);
	EXPECT_NE(moved->x, 0);

	audacious.Audtool("plugin-enable vu-meters-corvel off");
	EXPECT_TRUE(Eventually([&] { return WindowId(kMeterTitle).empty(); }));
	EXPECT_FALSE(WindowId(kNeedleMeterTitle).empty());
	EXPECT_TRUE(HoldFrame(ReadSettings(audacious.Settings() + "/" + kSettingsFile), *moved));
	EXPECT_TRUE(audacious.Enabled("vu-meters-feed")) << "the feed stays while a meter runs";

	const std::string again = Enable("vu-meters-corvel", kMeterTitle);
	EXPECT_EQ(SettledGeometry(again), moved);
	audacious.Audtool("plugin-enable vu-meters-corvel off");
	audacious.Audtool("plugin-enable vu-meters-kestle off");
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-feed"); }))
	    << "and goes after the last";
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// Audacious's SDL output ends SDL for the whole process when it stops, which
// is nothing to the meters in their own processes: switching to the file
// writer and back, twice, with both meters open, leaves Audacious and both
// meters running, and a later disable returns at once.
TEST_P(AudaciousTest, SwitchingAudaciousOutputLeavesBothMetersRunning) {
	PrivateAudacious& audacious = StartAudacious();
	audacious.Audtool("playlist-addurl " + WriteLeftTone(dir_ / "long.wav", 30, 0));
	audacious.Audtool("playback-play");
	Enable("vu-meters-corvel", kMeterTitle);
	Enable("vu-meters-kestle", kNeedleMeterTitle);
	for (int round = 0; round < 2; round++) {
		audacious.Audtool("plugin-enable filewriter on");
		ASSERT_TRUE(Eventually([&] { return audacious.Enabled("filewriter"); }));
		audacious.Audtool("playback-play");
		std::this_thread::sleep_for(500ms);
		audacious.Audtool("plugin-enable sdlout on");
		ASSERT_TRUE(Eventually([&] { return audacious.Enabled("sdlout"); }));
		audacious.Audtool("playback-play");
		std::this_thread::sleep_for(500ms);
		ASSERT_TRUE(audacious.Running()) << audacious.Log();
	}
	EXPECT_FALSE(WindowId(kMeterTitle).empty());
	EXPECT_FALSE(WindowId(kNeedleMeterTitle).empty());
	EXPECT_TRUE(audacious.Enabled("vu-meters-corvel"));
	const auto start = std::chrono::steady_clock::now();
	audacious.Audtool("plugin-enable vu-meters-kestle off");
	EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kSettingsFile).size(), 20u);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// The keys a meter window passes on control Audacious as they control
// vuplay; inside a player that is not ours, q closes the meter, and so does
// its close box: both disable the plug-in.
TEST_P(AudaciousTest, KeysControlAudaciousAndQOrTheCloseBoxDisableThePlugin) {
	PrivateAudacious& audacious = StartAudacious();
	const std::string corvel = Enable("vu-meters-corvel", kMeterTitle);
	const std::string kestle = Enable("vu-meters-kestle", kNeedleMeterTitle);
	audacious.Audtool("playlist-addurl " + WriteLeftTone(dir_ / "long.wav", 20, 0));
	audacious.Audtool("playback-play");
	ASSERT_TRUE(Eventually([&] { return Status() == "playing\n"; }));

	// Paused, the time moves with the seeks alone.
	Press(corvel, "space");
	EXPECT_TRUE(Eventually([&] { return Status() == "paused\n"; }));
	const auto time = [&] {
		return std::atol(audacious.Audtool("current-song-output-length-frames").out.c_str());
	};
	const long paused = time();
	Press(corvel, "Right");
	EXPECT_TRUE(Eventually([&] { return time() >= paused + 4500; })) << paused << " then " << time();
	Press(kestle, "Left");
	EXPECT_TRUE(Eventually([&] { return time() <= paused + 500; })) << paused << " then " << time();
	Press(kestle, "space");
	EXPECT_TRUE(Eventually([&] { return Status() == "playing\n"; }));

	Press(kestle, "q");
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-kestle"); }));
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));
	Shell("wmctrl -c 'Corvel'\\''s VU-Meter'");
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-corvel"); }));
	EXPECT_TRUE(audacious.Running());
	EXPECT_EQ(Status(), "playing\n");
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kSettingsFile).size(), 20u);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kNeedleSettingsFile).size(), 20u);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// An add-on that crashes in Render, throws out of it or never returns from
// it, and a meter process killed from outside cost the meter, never the
// music: Audacious plays on, says which meter stopped and why, and turns the
// plug-in off; enabling it again starts a fresh process. Audacious killed outright takes
// its meter processes with it, each saving its settings first.
TEST_P(AudaciousQtTest, FaultsCostTheMeterNeverTheMusic) {
	PrivateAudacious& audacious = StartAudacious(TestAddonInstead());
	audacious.Audtool("playlist-addurl " + WriteLeftTone(dir_ / "long.wav", 60, 0));
	audacious.Audtool("playback-play");
	ASSERT_TRUE(Eventually([&] { return Status() == "playing\n"; }));
	const std::string addon = dir_ / "add-ons/vis_Corvel_VU-Meter";
	for (const auto& [mode, line] :
	     {std::pair{"crash-render", ": the add-on crashed in Render (signal 11)"},
	      std::pair{"hang-render", ": the add-on did not return from Render within 5 seconds"},
	      std::pair{"throw-in-Render", ": the add-on threw an exception in Render: Render refuses"}}) {
		SetMode(mode);
		EXPECT_EQ(audacious.Audtool("plugin-enable vu-meters-corvel on").status, 0);
		EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-corvel"); }, 30s)) << mode;
		EXPECT_NE(audacious.Log().find("vu-meters: " + addon + line), std::string::npos) << audacious.Log();
		EXPECT_EQ(Status(), "playing\n") << mode;
	}

	Enable("vu-meters-kestle", kNeedleMeterTitle);
	kill(MeterProcessOf(audacious, "kestle"), SIGSEGV);
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-kestle"); }));
	EXPECT_NE(audacious.Log().find("vu-meters: kestle: the meter process was ended by signal 11"),
	          std::string::npos)
	    << audacious.Log();
	EXPECT_EQ(Status(), "playing\n");
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));
	Enable("vu-meters-kestle", kNeedleMeterTitle);

	const pid_t meter = MeterProcessOf(audacious, "kestle");
	ASSERT_GT(meter, 0);
	std::filesystem::remove(audacious.Settings() + "/" + kNeedleSettingsFile);
	audacious.Kill();
	const auto killed = std::chrono::steady_clock::now();
	EXPECT_TRUE(Eventually([&] { return Ended(meter); }));
	EXPECT_LT(std::chrono::steady_clock::now() - killed, 1s);
	EXPECT_TRUE(ReadSettings(audacious.Settings() + "/" + kNeedleSettingsFile));
	EXPECT_EQ(Reports(audacious.Log()).find("ERROR: AddressSanitizer"), std::string::npos);
}

// Enabling twenty times while Audacious plays, then quitting with both
// meters open: Audacious ends normally, both settings files are written,
// and no sanitizer has anything to say.
TEST_P(AudaciousQtTest, TwentyEnableDisableCyclesWhilePlayingThenQuittingWithTheMetersOpen) {
	PrivateAudacious& audacious = StartAudacious();
	audacious.Audtool("playlist-addurl " + WriteLeftTone(dir_ / "long.wav", 60, 0));
	audacious.Audtool("playback-play");
	for (int cycle = 0; cycle < 20; cycle++) {
		ASSERT_FALSE(Enable("vu-meters-corvel", kMeterTitle).empty()) << "cycle " << cycle;
		ASSERT_FALSE(Enable("vu-meters-kestle", kNeedleMeterTitle).empty()) << "cycle " << cycle;
		audacious.Audtool("plugin-enable vu-meters-corvel off");
		audacious.Audtool("plugin-enable vu-meters-kestle off");
		ASSERT_TRUE(audacious.Running()) << audacious.Log();
	}
	Enable("vu-meters-corvel", kMeterTitle);
	Enable("vu-meters-kestle", kNeedleMeterTitle);
	std::filesystem::remove(audacious.Settings() + "/" + kSettingsFile);
	std::filesystem::remove(audacious.Settings() + "/" + kNeedleSettingsFile);
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kSettingsFile).size(), 20u);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kNeedleSettingsFile).size(), 20u);
	EXPECT_EQ(BlockCounts(audacious.Log(), "corvel", "Audacious").size(), 21u);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// A trace that would write over a song in the playlist, an add-on or the
// add-on's settings file is refused: the plug-in stays off, says why, and
// the file is as it was.
TEST_P(AudaciousQtTest, ATraceOntoASongAnAddOnOrASettingsFileIsRefused) {
	const std::string song = WriteLeftTone(dir_ / "song.wav", 1, 0);
	const std::string kestleAddon = (std::filesystem::path(VUPLAY_PROGRAM).parent_path() /
	                                 VUMETERS_ADDONDIR_FROM_BINDIR / "vis_Kestle_VU-Meter")
	                                    .lexically_normal();
	const std::string songBytes = ReadFile(song), addonBytes = ReadFile(kestleAddon);
	PrivateAudacious& audacious =
	    StartAudacious({"VUMETERS_KESTLE_TRACE=" + song, "VUMETERS_CORVEL_TRACE=" + kestleAddon});
	audacious.Audtool("playlist-addurl " + song);
	for (const char* plugin : {"vu-meters-kestle", "vu-meters-corvel"}) {
		audacious.Audtool(std::string("plugin-enable ") + plugin + " on");
		EXPECT_TRUE(
		    Eventually([&] { return audacious.Log().find("' would write over the ") != std::string::npos; }));
		EXPECT_FALSE(audacious.Enabled(plugin));
	}
	EXPECT_NE(audacious.Log().find("vu-meters: VUMETERS_KESTLE_TRACE '" + song +
	                               "' would write over the song '" + song + "', the same file"),
	          std::string::npos)
	    << audacious.Log();
	EXPECT_NE(audacious.Log().find("vu-meters: VUMETERS_CORVEL_TRACE '" + kestleAddon +
	                               "' would write over the add-on '"),
	          std::string::npos)
	    << audacious.Log();
	EXPECT_EQ(ReadFile(song), songBytes);
	EXPECT_EQ(ReadFile(kestleAddon), addonBytes);
	EXPECT_TRUE(audacious.Running());
	EXPECT_EQ(audacious.Quit(), 0);

	// The add-on's own settings file, which it writes as it unloads.
	audacious_.emplace(GetParam(), std::vector<std::string>{CORVEL_PLUGIN, KESTLE_PLUGIN});
	const std::string settings = audacious_->Settings() + "/" + kSettingsFile;
	ASSERT_TRUE(WriteFrame(settings, 400, 150, 599, 249));
	const std::string settingsBytes = ReadFile(settings);
	ASSERT_TRUE(audacious_->Start({"VUMETERS_CORVEL_TRACE=" + settings})) << audacious_->Log();
	audacious_->Audtool("plugin-enable vu-meters-corvel on");
	EXPECT_TRUE(Eventually([&] {
		return audacious_->Log().find("vu-meters: VUMETERS_CORVEL_TRACE '" + settings +
		                              "' would write over the add-on settings file '" + settings + "'") !=
		       std::string::npos;
	})) << audacious_->Log();
	EXPECT_FALSE(audacious_->Enabled("vu-meters-corvel"));
	EXPECT_EQ(audacious_->Quit(), 0);
	EXPECT_EQ(ReadFile(settings), settingsBytes);
}

// A plug-in installed without its add-on does not enable, says why, and
// Audacious plays on.
TEST_P(AudaciousQtTest, APluginWithoutItsAddOnFailsToEnableWithAMessage) {
	audacious_.emplace(GetParam(), std::vector<std::string>{});
	PrivateAudacious& audacious = *audacious_;
	// A tree of its own beside Audacious's folder, holding no add-ons.
	namespace fs = std::filesystem;
	const fs::path visualization = audacious.PluginFolder() / "Visualization";
	const fs::path library = (visualization / METER_LIBRARY_FROM_PLUGIN).lexically_normal();
	fs::create_directories(library.parent_path());
	fs::copy_file(CORVEL_PLUGIN, visualization / fs::path(CORVEL_PLUGIN).filename());
	fs::copy_file(FEED_PLUGIN, audacious.PluginFolder() / "Effect" / fs::path(FEED_PLUGIN).filename());
	fs::copy_file(METER_LIBRARY, library);
	fs::copy_file(METER_PROGRAM, library.parent_path() / fs::path(METER_PROGRAM).filename());
	fs::create_symlink(KIT_LIBRARY, library.parent_path() / fs::path(KIT_LIBRARY).filename());
	ASSERT_TRUE(audacious.Start()) << audacious.Log();

	audacious.Audtool("plugin-enable vu-meters-corvel on");
	EXPECT_TRUE(Eventually([&] {
		return audacious.Log().find("vu-meters: unknown add-on 'corvel': no add-ons in") != std::string::npos;
	})) << audacious.Log();
	EXPECT_FALSE(audacious.Enabled("vu-meters-corvel"));
	EXPECT_TRUE(WindowId(kMeterTitle).empty());
	EXPECT_TRUE(audacious.Running());
	EXPECT_EQ(audacious.Quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Interfaces, AudaciousTest, testing::Values(Interface::Qt, Interface::Gtk),
                         [](const auto& info) { return info.param == Interface::Qt ? "Qt" : "Gtk"; });
INSTANTIATE_TEST_SUITE_P(Interfaces, AudaciousQtTest, testing::Values(Interface::Qt),
                         [](const auto&) { return "Qt"; });

} // namespace
