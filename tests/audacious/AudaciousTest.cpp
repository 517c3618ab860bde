// Both meters inside a real Audacious, in real windows, driven with audtool
// and the X tools as a user would: through run-under-xvfb.sh.
#include <cmath>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PrivateAudacious.h"
#include "player/NeedleTrace.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using Interface = PrivateAudacious::Interface;

constexpr int kRate = 44100;

// A stereo WAV: `toneSeconds` of a 1 kHz tone at half scale on the left and
// silence on the right, then `silentSeconds` of silence on both.
std::string WriteLeftTone(const std::string& path, double toneSeconds, double silentSeconds) {
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

// The counts the meter library logs when a meter stops: blocks Audacious
// handed over, and how many of them reached Render.
std::vector<std::pair<long, long>> BlockCounts(const std::string& log, const std::string& addon) {
	std::vector<std::pair<long, long>> counts;
	const std::regex line(addon + ": ([0-9]+) blocks from Audacious, ([0-9]+) of them rendered");
	for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
		counts.emplace_back(std::stol((*it)[1]), std::stol((*it)[2]));
	return counts;
}

// What a sanitizer or a crash left in Audacious's log about our code; empty
// when nothing. Leaks count only when their stack passes through one of our
// libraries: Audacious's own, in plug-ins it unloaded before exit, cannot
// even be named.
std::string Reports(const std::string& log) {
	for (const char* mark : {"ERROR: AddressSanitizer", "runtime error", "the add-on crashed"})
		if (const size_t at = log.find(mark); at != std::string::npos) return log.substr(at, 3000);
	for (size_t at = log.find(" leak of "); at != std::string::npos; at = log.find(" leak of ", at + 1)) {
		const std::string stack = log.substr(at, log.find("\n\n", at) - at);
		// Our frames name our sources, or our libraries where they cannot.
		const std::regex ours(
		    R"(/(audacious|host|kit|core|display|meters|prefs|deliverables)/[^ /]+\.(cpp|h):|)"
		    R"(libvu-meters-audacious|libbe\.so|vu-meters-(corvel|kestle))");
		if (std::regex_search(stack, ours)) return stack;
	}
	return {};
}

// A key pressed in the window, as a user presses it: the window active first.
void Press(const std::string& window, const std::string& key) {
	Shell("xdotool windowactivate --sync " + window + " key " + key);
}

bool WriteFrame(const std::string& path, float left, float top, float right, float bottom) {
	const Settings settings{left, top, right, bottom, 100};
	std::ofstream file(path, std::ios::binary);
	file.write(reinterpret_cast<const char*>(&settings), sizeof settings);
	return bool(file);
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

	Watchdog watchdog_{300s};
	TempDir dir_;
	std::optional<PrivateAudacious> audacious_;
};

using AudaciousQtTest = AudaciousTest;

// The whole life of one meter: it opens at its saved frame, shows a tone on
// the left only while Audacious plays it, falls back to rest in the silence
// after it, and every block Audacious hands over reaches Render once.
TEST_P(AudaciousQtTest, AMeterOpensAtItsFrameAndShowsALeftToneThenFallsToRest) {
	const std::string trace = dir_ / "kestle.trace";
	PrivateAudacious& audacious = StartAudacious({"VUMETERS_KESTLE_TRACE=" + trace});
	ASSERT_TRUE(WriteFrame(audacious.Settings() + "/" + kNeedleSettingsFile, 400, 150, 599, 249));
	const std::string window = Enable("vu-meters-kestle", kNeedleMeterTitle);
	EXPECT_EQ(SettledGeometry(window), (Geometry{400, 150, 200, 100}));

	audacious.Audtool("playlist-addurl " + WriteLeftTone(dir_ / "left.wav", 1.5, 2.5));
	audacious.Audtool("playback-play");
	ASSERT_TRUE(Eventually([&] { return audacious.Audtool("playback-status").out == "playing\n"; }));
	ASSERT_TRUE(Eventually([&] { return audacious.Audtool("playback-status").out == "stopped\n"; }, 30s));
	audacious.Audtool("plugin-enable vu-meters-kestle off");
	ASSERT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));

	const std::vector<Needles> calls = ReadNeedles(ReadFile(trace));
	ASSERT_FALSE(calls.empty());
	int loudest = 0, lastLeftTip = -1;
	for (const Needles& call : calls) {
		loudest = std::max(loudest, call.left);
		EXPECT_LE(call.right, 0) << "the right channel is silent";
		if (call.rightTip >= 0) {
			EXPECT_EQ(call.rightTip, 99) << "the right needle stays at rest";
		}
		if (call.leftTip >= 0) lastLeftTip = call.leftTip;
	}
	EXPECT_GT(loudest, 40) << "a tone at half scale lights the left needle";
	EXPECT_EQ(lastLeftTip, 0) << "the left needle is back at rest";

	const auto counts = BlockCounts(audacious.Log(), "kestle");
	ASSERT_EQ(counts.size(), 1u) << audacious.Log();
	EXPECT_GT(counts[0].first, 60) << "Audacious hands over about 30 blocks a second";
	EXPECT_EQ(counts[0].second, counts[0].first);
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

	const std::string again = Enable("vu-meters-corvel", kMeterTitle);
	EXPECT_EQ(SettledGeometry(again), moved);
	EXPECT_EQ(audacious.Quit(), 0);
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
	const auto status = [&] { return audacious.Audtool("playback-status").out; };
	ASSERT_TRUE(Eventually([&] { return status() == "playing\n"; }));

	// Paused, the time moves with the seeks alone.
	Press(corvel, "space");
	EXPECT_TRUE(Eventually([&] { return status() == "paused\n"; }));
	const auto time = [&] {
		return std::atol(audacious.Audtool("current-song-output-length-frames").out.c_str());
	};
	const long paused = time();
	Press(corvel, "Right");
	EXPECT_TRUE(Eventually([&] { return time() >= paused + 4500; })) << paused << " then " << time();
	Press(kestle, "Left");
	EXPECT_TRUE(Eventually([&] { return time() <= paused + 500; })) << paused << " then " << time();
	Press(kestle, "space");
	EXPECT_TRUE(Eventually([&] { return status() == "playing\n"; }));

	Press(kestle, "q");
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-kestle"); }));
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));
	Shell("wmctrl -c 'Corvel'\\''s VU-Meter'");
	EXPECT_TRUE(Eventually([&] { return !audacious.Enabled("vu-meters-corvel"); }));
	EXPECT_TRUE(audacious.Running());
	EXPECT_EQ(status(), "playing\n");
	EXPECT_EQ(audacious.Quit(), 0);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kSettingsFile).size(), 20u);
	EXPECT_EQ(ReadFile(audacious.Settings() + "/" + kNeedleSettingsFile).size(), 20u);
	EXPECT_EQ(Reports(audacious.Log()), "");
}

// Enabling and disabling while Audacious plays, twenty times over, then
// quitting with both meters open: Audacious ends normally, both settings
// files are written, and no sanitizer has anything to say.
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
	EXPECT_EQ(BlockCounts(audacious.Log(), "corvel").size(), 21u);
	EXPECT_EQ(Reports(audacious.Log()), "");
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
	fs::copy_file(METER_LIBRARY, library);
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
