// vuplay in real windows on a virtual X display, driven from outside with
// xdotool and wmctrl as a user would: run through run-under-xvfb.sh. With
// VUMETERS_SCREENSHOTS set to a folder, the tests leave popup-meter.png,
// prefs.png and about.png there.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "support/OnScreen.h"
#include "support/Watchdog.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// xdotool takes titles as regular expressions; "." stands in for the
// apostrophe, which the shell quoting cannot hold.
constexpr const char* kMeterTitle = "^Corvel.s VU-Meter$";
constexpr const char* kPrefsTitle = "^Corvel.s VU-Meter Prefs$";
constexpr const char* kMenuTitle = "^menu$";

std::string ReadFile(const std::string& path) {
	std::ifstream file(path, std::ios::binary);
	return {std::istreambuf_iterator<char>(file), {}};
}

std::string Trimmed(std::string text) {
	while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
		text.pop_back();
	return text;
}

// The first window with a matching title, or empty.
std::string WindowId(const char* title) {
	return Trimmed(
	    Shell(std::string("xdotool search --onlyvisible --name '") + title + "' 2>/dev/null | head -1"));
}

// Where the window's content is on the screen.
struct Geometry {
	int x = 0, y = 0, width = 0, height = 0;
	bool operator==(const Geometry&) const = default;
};

std::optional<Geometry> GeometryOf(const std::string& id) {
	const std::string info = Shell("xwininfo -id " + id + " 2>/dev/null");
	auto number = [&](const char* label) -> std::optional<int> {
		const size_t at = info.find(label);
		if (at == std::string::npos) return std::nullopt;
		return std::atoi(info.c_str() + at + std::strlen(label));
	};
	const auto x = number("Absolute upper-left X:"), y = number("Absolute upper-left Y:");
	const auto width = number("Width:"), height = number("Height:");
	if (!x || !y || !width || !height) return std::nullopt;
	return Geometry{*x, *y, *width, *height};
}

std::string At(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

// The settings file as the add-on writes it: the window frame, then the gain.
struct Settings {
	float left, top, right, bottom;
	int32_t gain;
};

std::optional<Settings> ReadSettings(const std::filesystem::path& folder) {
	std::error_code ec;
	for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
		const std::string bytes = ReadFile(entry.path());
		if (bytes.size() != sizeof(Settings)) continue;
		Settings settings;
		std::memcpy(&settings, bytes.data(), sizeof settings);
		return settings;
	}
	return std::nullopt;
}

// The top of the bars in the latest frame of the drawing trace: the bar
// meter strokes its cap lines "line X0 Y X1 Y" at the bar tops.
std::optional<float> LatestBarTop(const std::string& trace) {
	const std::string text = ReadFile(trace);
	const size_t at = text.rfind("\nline ");
	if (at == std::string::npos) return std::nullopt;
	std::istringstream line(text.substr(at + 6));
	float x0, y0;
	if (!(line >> x0 >> y0)) return std::nullopt;
	return y0;
}

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

// vuplay as a child process, its output in files; killed if still running at the end.
class PlayerProcess {
public:
	~PlayerProcess() {
		if (pid_ > 0) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
		}
	}

	bool Start(std::vector<std::string> args, const std::string& out, const std::string& err) {
		args.insert(args.begin(), VUPLAY_PROGRAM);
		std::vector<char*> argv;
		for (std::string& arg : args)
			argv.push_back(arg.data());
		argv.push_back(nullptr);
		posix_spawn_file_actions_t files;
		posix_spawn_file_actions_init(&files);
		posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
		posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		const int failed = posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ);
		posix_spawn_file_actions_destroy(&files);
		if (failed) pid_ = -1;
		return !failed;
	}

	bool Running() { return pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == 0; }

	// The exit status once it ended within `patience`; -1 when it was
	// killed by a signal or did not end (then it is killed).
	int Wait(std::chrono::seconds patience) {
		if (pid_ <= 0) return -1;
		const bool ended = Eventually([&] { return waitpid(pid_, &status_, WNOHANG) == pid_; }, patience);
		if (!ended) {
			kill(pid_, SIGKILL);
			waitpid(pid_, &status_, 0);
		}
		pid_ = -1;
		return ended && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
	}

private:
	pid_t pid_ = -1;
	int status_ = 0;
};

class VuplayOnScreenTest : public ::testing::Test {
protected:
	void SetUp() override {
		ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "no display: run under run-under-xvfb.sh";
		setenv("SDL_AUDIODRIVER", "dummy", 1);
		// A steady quiet tone: the bars stand low and still at the stored gain.
		ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + tone_ + "' synth 120 sine 440 vol 0.1"));
		std::filesystem::create_directory(settings_);
	}

	// Starts vuplay on the tone and waits for the meter window to be on
	// screen and drawn into.
	void StartPlayer(std::vector<std::string> extra = {}) {
		std::vector<std::string> args = {"--verbose", "--settings-dir", settings_, "--trace", trace_, tone_};
		args.insert(args.begin(), extra.begin(), extra.end());
		ASSERT_TRUE(player_.Start(args, dir_ / "stdout", dir_ / "stderr"));
		ASSERT_TRUE(Eventually([&] { return !(meter_ = WindowId(kMeterTitle)).empty(); })) << Errors();
		ASSERT_TRUE(Eventually([&] { return LatestBarTop(trace_).has_value(); })) << Errors();
	}

	// Closes the meter window as its close box does; the player's exit status.
	int CloseMeter() {
		Shell("wmctrl -c \"Corvel's VU-Meter\"");
		return player_.Wait(60s);
	}

	void Screenshot(const std::string& name, const Geometry& area) {
		const char* folder = std::getenv("VUMETERS_SCREENSHOTS");
		if (!folder) return;
		std::this_thread::sleep_for(300ms);
		Shell("import -window root -crop " + std::to_string(area.width) + "x" + std::to_string(area.height) +
		      "+" + std::to_string(area.x) + "+" + std::to_string(area.y) + " +repage '" + folder + "/" +
		      name + "'");
	}

	std::string Errors() { return ReadFile(dir_ / "stderr"); }

	Watchdog watchdog_{std::chrono::seconds(240)};
	TempDir dir_;
	std::string tone_ = dir_ / "tone.wav";
	std::string trace_ = dir_ / "trace.txt";
	std::string settings_ = dir_ / "settings";
	PlayerProcess player_;
	std::string meter_;
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
	const auto settings = ReadSettings(settings_);
	ASSERT_TRUE(settings);
	EXPECT_GT(settings->gain, 250);
	EXPECT_LE(settings->gain, 500);
}

TEST_F(VuplayOnScreenTest, CloseBoxEndsThePlayerAndTheSettingsKeepTheMovedFrame) {
	StartPlayer();
	const auto start = GeometryOf(meter_);
	ASSERT_TRUE(start);
	Shell("xdotool windowmove " + meter_ + " 430 220");
	std::optional<Geometry> moved;
	ASSERT_TRUE(Eventually([&] {
		moved = GeometryOf(meter_);
		return moved && std::abs(moved->x - start->x) > 100 && std::abs(moved->y - start->y) > 100;
	}));
	// The window manager may still be settling it; take where it stays.
	ASSERT_TRUE(Eventually([&] {
		std::this_thread::sleep_for(300ms);
		const auto again = GeometryOf(meter_);
		const bool still = again && *again == *moved;
		moved = again;
		return still;
	}));

	ASSERT_EQ(CloseMeter(), 0) << Errors();
	EXPECT_NE(ReadFile(dir_ / "stdout").find("close notice"), std::string::npos);
	const auto settings = ReadSettings(settings_);
	ASSERT_TRUE(settings);
	EXPECT_EQ(settings->left, moved->x);
	EXPECT_EQ(settings->top, moved->y);
	EXPECT_EQ(settings->right, moved->x + moved->width - 1);
	EXPECT_EQ(settings->bottom, moved->y + moved->height - 1);
	EXPECT_EQ(settings->gain, 100);
}

TEST_F(VuplayOnScreenTest, KeyAInTheMeterWindowShowsTheAboutBoxAndTheMeterGoesOn) {
	StartPlayer();
	const auto meter = GeometryOf(meter_);
	ASSERT_TRUE(meter);
	// The about box is the only managed window without a title.
	auto aboutBox = [] {
		std::istringstream list(Shell("wmctrl -l"));
		std::string line;
		while (std::getline(list, line)) {
			std::istringstream fields(line);
			std::string id, desktop, host, title;
			fields >> id >> desktop >> host;
			std::getline(fields, title);
			if (Trimmed(title).empty() && !id.empty()) return id;
		}
		return std::string();
	};
	// A click activates the meter window; the key goes to the window with the focus.
	Shell("xdotool mousemove " + At(meter->x + meter->width / 2, meter->y + 20) + " click 1");
	ASSERT_TRUE(Eventually([&] { return Trimmed(Shell("xdotool getwindowfocus")) == meter_; }));
	Shell("xdotool key a");
	std::string about;
	ASSERT_TRUE(Eventually([&] { return !(about = aboutBox()).empty(); })) << Errors();
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
