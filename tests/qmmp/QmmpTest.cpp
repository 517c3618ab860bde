// Both meters beside a real Qmmp, in real windows, driven with Qmmp's
// command line and the X tools as a user would: through run-under-xvfb.sh.
#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PrivateQmmp.h"
#include "player/NeedleTrace.h"
#include "support/MeterWindows.h"
#include "support/PlayerSongs.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using namespace player_songs;

// Our code in a stack: our sources, or our libraries where they cannot be named.
std::string Reports(const std::string& log) {
	static const std::regex ours(R"(/(qmmp|feed|host)/[^ /]+\.(cpp|h):|libvu-meters-|vu-meter-process)");
	return player_songs::Reports(log, ours);
}

// Where the song is, in seconds, as Qmmp's --status says ("0:05/0:30").
int SecondsIn(const PrivateQmmp& qmmp) {
	std::smatch time;
	const std::string status = qmmp.Command("--status").out;
	if (!std::regex_search(status, time, std::regex(R"(([0-9]+):([0-9]{2})/)"))) return -1;
	return std::stoi(time[1]) * 60 + std::stoi(time[2]);
}

// The plug-ins Qmmp's configuration has enabled in `section` ("Effect").
std::string Enabled(const PrivateQmmp& qmmp, const std::string& section) {
	std::smatch list;
	const std::string configuration = qmmp.Configuration();
	const std::regex entry("\\[" + section + "\\]\n(?:[^\\[][^\n]*\n)*?enabled_plugins=([^\n]*)");
	return std::regex_search(configuration, list, entry) ? list[1].str() : "";
}

// The id of the window with that title, once it is there.
std::string AwaitWindow(const char* title, const PrivateQmmp& qmmp) {
	std::string id;
	EXPECT_TRUE(Eventually([&] { return !(id = WindowId(title)).empty(); }, 60s)) << qmmp.Log();
	return id;
}

class QmmpTest : public testing::Test {
protected:
	void SetUp() override {
		// The window manager lists the windows of the test before until it
		// has seen them go, and their ids come again.
		EXPECT_TRUE(
		    Eventually([] { return WindowId(kMeterTitle).empty() && WindowId(kNeedleMeterTitle).empty(); }));
	}

	Watchdog watchdog_{300s};
	TempDir dir_;
};

// Two songs in a row, the first long enough for Qmmp to join the second on
// without a gap, with a pause in the first: the meter opens at its saved
// frame, every block of both songs reaches Render once, as vuplay renders
// the same files, call for call, none while paused; every burst shows;
// after the last song the meter falls back to rest; quitting Qmmp with the
// meter open ends it the clean way.
TEST_F(QmmpTest, EveryBlockOfTwoSongsReachesRenderAsVuplayRendersThem) {
	const std::string trace = dir_ / "kestle.trace";
	PrivateQmmp qmmp({"vu-meters-kestle"});
	ASSERT_TRUE(WriteFrame(qmmp.Settings() + "/" + kNeedleSettingsFile, 400, 150, 599, 249));
	namespace fs = std::filesystem;
	fs::create_directories(dir_ / "vuplay-settings");
	fs::copy_file(qmmp.Settings() + "/" + kNeedleSettingsFile,
	              dir_ / (std::string("vuplay-settings/") + kNeedleSettingsFile));
	ASSERT_TRUE(qmmp.Start({"VUMETERS_KESTLE_TRACE=" + trace})) << qmmp.Log();
	const std::string window = AwaitWindow(kNeedleMeterTitle, qmmp);
	EXPECT_EQ(SettledGeometry(window), (Geometry{400, 150, 200, 100}));

	const double burstSeconds = 8;
	const std::string bursts = WriteBursts(dir_ / "bursts.wav", burstSeconds),
	                  tone = WriteLeftTone(dir_ / "tone.wav", 1, 0.5);
	qmmp.Play(bursts + " " + tone);
	ASSERT_TRUE(Eventually([&] { return RenderCount(trace) > 40; })) << qmmp.Log();
	qmmp.Command("--pause");
	ASSERT_TRUE(Eventually([&] { return qmmp.State() == "paused"; }));
	std::this_thread::sleep_for(300ms);
	const int paused = RenderCount(trace);
	std::this_thread::sleep_for(2s);
	EXPECT_EQ(RenderCount(trace), paused) << "nothing is rendered while paused";
	qmmp.Command("--play-pause");
	const std::vector<std::string> vuplays =
	    VuplayRenderCalls(dir_ / "vuplay-settings", dir_ / "vuplay.trace", bursts + " " + tone);
	ASSERT_EQ(vuplays.size(), size_t(690 + 130)) << "each song's last block padded";
	// Once the last song is heard to its end, the meter gets silence until it rests.
	ASSERT_TRUE(Eventually([&] { return RenderCount(trace) > int(vuplays.size()) + 10; }, 60s)) << qmmp.Log();
	AwaitNoMoreRenders(trace);
	EXPECT_EQ(qmmp.State(), "stopped");
	EXPECT_EQ(qmmp.Quit(), 0);
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));

	ExpectAsVuplay(trace, vuplays, burstSeconds, qmmp.Log(), "Qmmp");
	EXPECT_EQ(ReadFile(qmmp.Settings() + "/" + kNeedleSettingsFile).size(), 20u);
	EXPECT_EQ(Reports(qmmp.Log()), "");
}

// Both meters at once: the keys of a meter window control Qmmp as they
// control vuplay; a stop lets the meter fall to rest; a meter process killed
// with SIGSEGV costs that meter, never the music, and Qmmp says which; q
// closes the other, which disables its plug-in, and the feed goes with the
// last meter.
TEST_F(QmmpTest, KeysStopAndAKilledMeterProcessLeaveQmmpPlaying) {
	const std::string trace = dir_ / "kestle.trace";
	PrivateQmmp qmmp({"vu-meters-corvel", "vu-meters-kestle"});
	ASSERT_TRUE(qmmp.Start({"VUMETERS_KESTLE_TRACE=" + trace})) << qmmp.Log();
	const std::string corvel = AwaitWindow(kMeterTitle, qmmp), kestle = AwaitWindow(kNeedleMeterTitle, qmmp);
	EXPECT_NE(corvel, kestle);
	qmmp.Play(WriteLeftTone(dir_ / "long.wav", 40, 0));
	ASSERT_TRUE(Eventually([&] { return qmmp.State() == "playing" && SecondsIn(qmmp) >= 1; }));
	EXPECT_NE(qmmp.Configuration().find("vu-meters-feed"), std::string::npos)
	    << "the meters enabled the feed";

	// The arrows seek; space pauses and resumes (Qmmp shows no seek made while paused).
	const int at = SecondsIn(qmmp);
	Press(kestle, "Right");
	EXPECT_TRUE(Eventually([&] { return SecondsIn(qmmp) >= at + 4; })) << at << " then " << SecondsIn(qmmp);
	Press(corvel, "Left");
	EXPECT_TRUE(Eventually([&] { return SecondsIn(qmmp) <= at + 2; })) << at << " then " << SecondsIn(qmmp);
	Press(kestle, "space");
	EXPECT_TRUE(Eventually([&] { return qmmp.State() == "paused"; }));
	Press(corvel, "space");
	EXPECT_TRUE(Eventually([&] { return qmmp.State() == "playing"; }));

	// Stopped: silence until the needle rests, then nothing more.
	std::this_thread::sleep_for(1s);
	qmmp.Command("--stop");
	EXPECT_TRUE(Eventually([&] { return qmmp.State() == "stopped"; }));
	for (int count = 0; count != RenderCount(trace);) {
		count = RenderCount(trace);
		std::this_thread::sleep_for(1500ms);
	}
	const std::vector<Needles> needles = ReadNeedles(ReadFile(trace));
	const auto drawn =
	    std::find_if(needles.rbegin(), needles.rend(), [](const Needles& call) { return call.leftTip >= 0; });
	ASSERT_NE(drawn, needles.rend());
	EXPECT_EQ(drawn->leftTip, 0) << "the left needle is back at rest";

	qmmp.Command("--play");
	ASSERT_TRUE(Eventually([&] { return qmmp.State() == "playing"; }));
	const pid_t corvelProcess = MeterProcessOf(qmmp.Pid(), "corvel");
	ASSERT_GT(corvelProcess, 0);
	kill(corvelProcess, SIGSEGV);
	EXPECT_TRUE(Eventually([&] {
		return qmmp.Log().find("vu-meters: corvel: the meter process was ended by signal 11") !=
		       std::string::npos;
	})) << qmmp.Log();
	EXPECT_TRUE(Eventually([&] { return WindowId(kMeterTitle).empty(); }));
	EXPECT_TRUE(Eventually([&] {
		return qmmp.Configuration().find("vu-meters-corvel") == std::string::npos;
	})) << qmmp.Configuration();
	EXPECT_EQ(qmmp.State(), "playing");
	const int before = RenderCount(trace);
	EXPECT_TRUE(Eventually([&] { return RenderCount(trace) > before + 20; })) << "the other meter plays on";

	Press(kestle, "q");
	EXPECT_TRUE(Eventually([&] { return WindowId(kNeedleMeterTitle).empty(); }));
	EXPECT_TRUE(Eventually([&] {
		return Enabled(qmmp, "Visualization").find("vu-meters-") == std::string::npos &&
		       Enabled(qmmp, "Effect").find("vu-meters-") == std::string::npos;
	})) << "both meters and the feed are off: "
	    << qmmp.Configuration();
	EXPECT_TRUE(qmmp.Running());
	EXPECT_EQ(qmmp.State(), "playing");
	EXPECT_EQ(qmmp.Quit(), 0);
	EXPECT_EQ(ReadFile(qmmp.Settings() + "/" + kNeedleSettingsFile).size(), 20u);
	const std::string reports = Reports(qmmp.Log());
	EXPECT_EQ(reports.find("AddressSanitizer"), std::string::npos) << reports;
	EXPECT_EQ(reports.find("runtime error"), std::string::npos) << reports;
}

} // namespace
