// vuplay in real windows on a virtual X display, driven from outside with
// xdotool and wmctrl as a user would: run through run-under-xvfb.sh. With
// VUMETERS_SCREENSHOTS set to a folder, the tests leave popup-meter.png,
// prefs.png, about.png and kestle-fullscreen.png there.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "VuplayOnScreen.h"

namespace {

using namespace std::chrono_literals;

// The slider's thumb in a window's content: its two sides are the only tall
// columns drawn in the thumb's edge colour or, with the focus, the focus
// colour (text edges have single pixels of it). Its centre on the screen.
std::optional<std::pair<int, int>> ThumbCentre(const std::string& id, const Geometry& geometry) {
	constexpr int kSideRows = 8;
	const std::string rgb = Shell("import -window " + id + " -depth 8 rgb:- 2>/dev/null");
	if (rgb.size() != size_t(geometry.width) * size_t(geometry.height) * 3) return std::nullopt;
	auto isEdge = [&](int x, int y) {
		const auto* pixel = reinterpret_cast<const uint8_t*>(&rgb[(size_t(y) * geometry.width + x) * 3]);
		return (pixel[0] == 88 && pixel[1] == 88 && pixel[2] == 88) ||
		       (pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 229);
	};
	int left = -1, right = -1, middle = -1;
	for (int x = 0; x < geometry.width; x++)
		for (int y = 0, run = 0; y < geometry.height; y++) {
			run = isEdge(x, y) ? run + 1 : 0;
			if (run < kSideRows) continue;
			if (left < 0) left = x, middle = y - run / 2;
			right = x;
			break;
		}
	if (left < 0 || right == left) return std::nullopt;
	return std::make_pair(geometry.x + (left + right) / 2, geometry.y + middle);
}

class VuplayOnScreenTest : public VuplayOnScreen {
protected:
	void Screenshot(const std::string& name, const Geometry& area) {
		const char* folder = std::getenv("VUMETERS_SCREENSHOTS");
		if (!folder) return;
		std::this_thread::sleep_for(300ms);
		Shell("import -window root -crop " + std::to_string(area.width) + "x" + std::to_string(area.height) +
		      "+" + std::to_string(area.x) + "+" + std::to_string(area.y) + " +repage '" + folder + "/" +
		      name + "'");
	}
};

} // namespace

TEST_F(VuplayOnScreenTest, PopupOpensThePreferencesWhoseDraggedThumbRaisesTheGain) {
	StartPlayer();
	const auto meter = GeometryOf(meter_);
	ASSERT_TRUE(meter);
	// Settled at the stored gain: the bars stand within a few rows for a while.
	std::optional<float> before;
	ASSERT_TRUE(Eventually([&] {
		const auto first = LatestBarTop(trace_);
		std::this_thread::sleep_for(500ms);
		before = LatestBarTop(trace_);
		return first && before && std::abs(*first - *before) < 3;
	}));

	Shell("xdotool mousemove " + At(meter->x + meter->width / 2, meter->y + meter->height / 3) + " click 3");
	std::string menu;
	ASSERT_TRUE(Eventually([&] { return !(menu = WindowId(kMenuTitle)).empty(); })) << Errors();
	std::optional<Geometry> menuArea;
	ASSERT_TRUE(Eventually([&] { return (menuArea = GeometryOf(menu)) && menuArea->width > 1; }));
	Screenshot("popup-meter.png", {meter->x - 20, meter->y - 30,
	                               menuArea->x + menuArea->width + 40 - meter->x, meter->height + 40});
	// The menu's only item, "Preferences", fills it.
	Shell("xdotool mousemove " + At(menuArea->x + menuArea->width / 2, menuArea->y + menuArea->height / 2) +
	      " click 1");

	std::string prefs;
	ASSERT_TRUE(Eventually([&] { return !(prefs = WindowId(kPrefsTitle)).empty(); })) << Errors();
	EXPECT_TRUE(Eventually([&] { return WindowId(kMenuTitle).empty(); }));
	std::optional<Geometry> prefsArea;
	std::optional<std::pair<int, int>> thumb;
	ASSERT_TRUE(Eventually(
	    [&] { return (prefsArea = GeometryOf(prefs)) && (thumb = ThumbCentre(prefs, *prefsArea)); }));
	Screenshot("prefs.png",
	           {prefsArea->x - 10, prefsArea->y - 30, prefsArea->width + 20, prefsArea->height + 40});

	// A third of the slider's width to the right: from 100% to well above 250%.
	const int to = thumb->first + prefsArea->width / 3;
	Shell("xdotool mousemove " + At(thumb->first, thumb->second) + " mousedown 1 sleep 0.2 mousemove " +
	      At((thumb->first + to) / 2, thumb->second) + " sleep 0.2 mousemove " + At(to, thumb->second) +
	      " sleep 0.2 mouseup 1");
	EXPECT_TRUE(Eventually([&] {
		const auto moved = ThumbCentre(prefs, *prefsArea);
		return moved && moved->first > thumb->first + prefsArea->width / 4;
	}));
	// The meter measures with the new gain: the bars rise well above where they stood.
	EXPECT_TRUE(Eventually([&] {
		const auto now = LatestBarTop(trace_);
		return now && *now < *before - 30;
	})) << "bars stayed at "
	    << *before;

	ASSERT_EQ(CloseMeter(), 0) << Errors();
	const auto settings = Saved();
	ASSERT_TRUE(settings);
	EXPECT_GT(settings->gain, 250);
	EXPECT_LE(settings->gain, 500);
}

TEST_F(VuplayOnScreenTest, CloseBoxEndsThePlayerAndTheSettingsKeepTheMovedFrame) {
	StartPlayer();
	const auto start = GeometryOf(meter_);
	ASSERT_TRUE(start);
	Shell("xdotool windowmove " + meter_ + " 430 220");
	ASSERT_TRUE(Eventually([&] {
		const auto moved = GeometryOf(meter_);
		return moved && std::abs(moved->x - start->x) > 100 && std::abs(moved->y - start->y) > 100;
	}));
	// The window manager may still be settling it; take where it stays.
	const auto moved = SettledGeometry(meter_);
	ASSERT_TRUE(moved);

	ASSERT_EQ(CloseMeter(), 0) << Errors();
	EXPECT_NE(Output().find("close notice"), std::string::npos);
	const auto settings = Saved();
	EXPECT_TRUE(HoldFrame(settings, *moved));
	ASSERT_TRUE(settings);
	EXPECT_EQ(settings->gain, 100);
}

TEST_F(VuplayOnScreenTest, KeyAInTheMeterWindowShowsTheAboutBoxNamedAfterTheAddonAndTheMeterGoesOn) {
	StartPlayer();
	const auto meter = GeometryOf(meter_);
	ASSERT_TRUE(meter);
	// The window manager lists the box under the add-on's name; no window is unnamed.
	auto aboutBox = [] {
		std::istringstream list(Shell("wmctrl -l"));
		std::string line, found;
		while (std::getline(list, line)) {
			std::istringstream fields(line);
			std::string id, desktop, host, title;
			fields >> id >> desktop >> host;
			std::getline(fields, title);
			if (Trimmed(title).empty()) return std::string("an unnamed window");
			if (Trimmed(title) == " Corvel's VU-Meter by Corvel Dravik") found = id;
		}
		return found;
	};
	// A click activates the meter window; the key goes to the window with the focus.
	Shell("xdotool mousemove " + At(meter->x + meter->width / 2, meter->y + 20) + " click 1");
	ASSERT_TRUE(Eventually([&] { return Trimmed(Shell("xdotool getwindowfocus")) == meter_; }));
	Shell("xdotool key a");
	std::string about;
	ASSERT_TRUE(Eventually([&] { return !(about = aboutBox()).empty(); })) << Errors();
	ASSERT_EQ(about.rfind("0x", 0), 0u) << about;
	std::optional<Geometry> area;
	ASSERT_TRUE(Eventually([&] { return (area = GeometryOf(about)) && area->width > 100; }));
	Screenshot("about.png", {area->x - 10, area->y - 30, area->width + 20, area->height + 40});

	// Rendering goes on while the box is open.
	const std::string traced = ReadFile(trace_);
	EXPECT_TRUE(Eventually([&] { return ReadFile(trace_).size() > traced.size() + 8192; }));

	Shell("xdotool windowactivate --sync " + about + " key Return");
	EXPECT_TRUE(Eventually([&] { return aboutBox().empty(); }));
	EXPECT_TRUE(player_.Running());
	ASSERT_EQ(CloseMeter(), 0) << Errors();
}

TEST_F(VuplayOnScreenTest, SizeMakesTheMeterWindowAndTheRecordingThatSize) {
	const std::string video = dir_ / "meter.y4m";
	StartPlayer({"--size", "200x400", "--record", video});
	const auto meter = GeometryOf(meter_);
	ASSERT_TRUE(meter);
	EXPECT_EQ(meter->width, 200);
	EXPECT_EQ(meter->height, 400);
	ASSERT_EQ(CloseMeter(), 0) << Errors();
	const std::string header = ReadFile(video).substr(0, 64);
	EXPECT_EQ(header.rfind("YUV4MPEG2 W200 H400 ", 0), 0u) << header;
}

TEST_F(VuplayOnScreenTest, FullscreenFillsTheScreenUndecoratedAndTheSavedFrameStaysAsItWas) {
	const Settings before{120, 90, 329, 429, 180};
	{
		std::ofstream file(settings_ + "/" + kNeedleSettingsFile, std::ios::binary);
		file.write(reinterpret_cast<const char*>(&before), sizeof before);
	}
	// Louder on the left than on the right: the needles stand apart, mid-scale.
	const std::string song = dir_ / "song.wav";
	ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + song +
	                       "' synth 120 sine 440 sine 550 remix 1v0.6 2v0.3"));
	ASSERT_TRUE(player_.Start({"--fullscreen", "-p", "kestle", "--settings-dir", settings_, song},
	                          dir_ / "stdout", dir_ / "stderr"));
	std::string meter;
	ASSERT_TRUE(Eventually([&] { return !(meter = WindowId(kNeedleMeterTitle)).empty(); })) << Errors();
	const auto screen = SettledGeometry(meter);
	ASSERT_TRUE(screen);
	EXPECT_EQ(*screen, (Geometry{0, 0, 1024, 768}));
	EXPECT_NE(Shell("xprop -id " + meter + " _NET_FRAME_EXTENTS").find("= 0, 0, 0, 0"), std::string::npos);
	Screenshot("kestle-fullscreen.png", *screen);

	// The window manager's close, as the close box would; the window has none now.
	Shell("wmctrl -c 'Kestle VU-Meter'");
	ASSERT_EQ(player_.Wait(std::chrono::seconds(60)), 0) << Errors();
	const auto after = Saved(kNeedleSettingsFile);
	ASSERT_TRUE(after);
	EXPECT_EQ(std::memcmp(&*after, &before, sizeof before), 0)
	    << "saved " << after->left << "," << after->top << " to " << after->right << "," << after->bottom
	    << ", gain " << after->gain;
}
