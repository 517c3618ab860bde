// What the tests of vuplay in real windows share: finding and measuring its
// windows with the X tools, reading what it leaves behind, and running it as
// a child process.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "player/TestFiles.h"
#include "support/OnScreen.h"
#include "support/Spawn.h"
#include "support/Watchdog.h"

// xdotool takes titles as regular expressions; "." stands in for the
// apostrophe, which the shell quoting cannot hold.
inline constexpr const char* kMeterTitle = "^Corvel.s VU-Meter$";
inline constexpr const char* kPrefsTitle = "^Corvel.s VU-Meter Prefs$";
inline constexpr const char* kNeedleMeterTitle = "^Kestle VU-Meter$";
inline constexpr const char* kNeedlePrefsTitle = "^Kestle VU-Meter Prefs$";
inline constexpr const char* kMenuTitle = "^menu$";
inline constexpr const char* kSettingsFile = "Tarnwick_VisPlugin_Corvels_VU-Meter.preferences";
inline constexpr const char* kNeedleSettingsFile = "Tarnwick_VisPlugin_Kestle_VU-Meter.preferences";

inline std::string Trimmed(std::string text) {
	while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
		text.pop_back();
	return text;
}

// The first window with a matching title, or empty.
inline std::string WindowId(const char* title) {
	return Trimmed(
	    Shell(std::string("xdotool search --onlyvisible --name '") + title + "' 2>/dev/null | head -1"));
}

// Whether the window with that id is on screen. Unlike a search by title,
// which fails now and then while another window is being destroyed, this
// asks about the one window only.
inline bool Viewable(const std::string& id) {
	return Shell("xwininfo -id " + id + " 2>/dev/null").find("Map State: IsViewable") != std::string::npos;
}

// Where the window's content is on the screen.
struct Geometry {
	int x = 0, y = 0, width = 0, height = 0;
	bool operator==(const Geometry&) const = default;
};

inline std::optional<Geometry> GeometryOf(const std::string& id) {
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

// Where the window stays once the window manager has done placing it: the
// same for 300 ms.
inline std::optional<Geometry> SettledGeometry(const std::string& id) {
	std::optional<Geometry> now = GeometryOf(id);
	const bool settled = Eventually([&] {
		std::this_thread::sleep_for(std::chrono::milliseconds(300));
		const auto again = GeometryOf(id);
		const bool still = again && now && *again == *now;
		now = again;
		return still;
	});
	return settled ? now : std::nullopt;
}

inline std::string At(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

// The settings file as the add-on writes it: the window frame, then the gain.
struct Settings {
	float left, top, right, bottom;
	int32_t gain;
};

inline std::optional<Settings> ReadSettings(const std::string& path) {
	const std::string bytes = ReadFile(path);
	if (bytes.size() != sizeof(Settings)) return std::nullopt;
	Settings settings;
	std::memcpy(&settings, bytes.data(), sizeof settings);
	return settings;
}

// Whether the settings hold the frame of a window's content at `geometry`.
inline testing::AssertionResult HoldFrame(const std::optional<Settings>& settings, const Geometry& geometry) {
	const std::string wanted = std::to_string(geometry.x) + "," + std::to_string(geometry.y) + " " +
	                           std::to_string(geometry.width) + "x" + std::to_string(geometry.height);
	if (!settings) return testing::AssertionFailure() << "no settings file; the window was at " << wanted;
	if (settings->left == geometry.x && settings->top == geometry.y &&
	    settings->right == geometry.x + geometry.width - 1 &&
	    settings->bottom == geometry.y + geometry.height - 1)
		return testing::AssertionSuccess();
	return testing::AssertionFailure()
	       << "saved " << settings->left << "," << settings->top << " to " << settings->right << ","
	       << settings->bottom << "; the window was at " << wanted;
}

// The top of the bars in the latest frame of the drawing trace: the bar
// meter strokes its cap lines "line X0 Y X1 Y" at the bar tops.
inline std::optional<float> LatestBarTop(const std::string& trace) {
	const std::string text = ReadFile(trace);
	const size_t at = text.rfind("\nline ");
	if (at == std::string::npos) return std::nullopt;
	std::istringstream line(text.substr(at + 6));
	float x0, y0;
	if (!(line >> x0 >> y0)) return std::nullopt;
	return y0;
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
		pid_ = Spawn(std::move(args), out, err);
		return pid_ > 0;
	}

	bool Running() { return pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == 0; }

	bool Signal(int signal) { return pid_ > 0 && kill(pid_, signal) == 0; }

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

// vuplay playing a steady tone in real windows, its settings in a folder of
// the test's own.
class VuplayOnScreen : public ::testing::Test {
protected:
	void SetUp() override {
		ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "no display: run under run-under-xvfb.sh";
		setenv("SDL_AUDIODRIVER", "dummy", 1);
		// A steady quiet tone: the bars stand low and still at the stored gain.
		ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + tone_ + "' synth 120 sine 440 vol 0.1"));
		std::filesystem::create_directory(settings_);
	}

	// Starts vuplay on the tone and waits for the bar meter's window to be on
	// screen and drawn into.
	void StartPlayer(std::vector<std::string> extra = {}) {
		std::vector<std::string> args = {"--verbose", "--settings-dir", settings_, "--trace", trace_, tone_};
		args.insert(args.begin(), extra.begin(), extra.end());
		ASSERT_TRUE(player_.Start(args, dir_ / "stdout", dir_ / "stderr"));
		ASSERT_TRUE(Eventually([&] { return !(meter_ = WindowId(kMeterTitle)).empty(); }))
		    << Errors() << Output();
		ASSERT_TRUE(Eventually([&] { return LatestBarTop(trace_).has_value(); })) << Errors();
	}

	// Closes the meter window as its close box does; the player's exit status.
	int CloseMeter() {
		Shell("wmctrl -c \"Corvel's VU-Meter\"");
		return player_.Wait(std::chrono::seconds(60));
	}

	std::string Errors() { return ReadFile(dir_ / "stderr"); }
	std::string Output() { return ReadFile(dir_ / "stdout"); }
	std::optional<Settings> Saved(const char* file = kSettingsFile) {
		return ReadSettings(settings_ + "/" + file);
	}

	Watchdog watchdog_{std::chrono::seconds(240)};
	TempDir dir_;
	std::string tone_ = dir_ / "tone.wav";
	std::string trace_ = dir_ / "trace.txt";
	std::string settings_ = dir_ / "settings";
	PlayerProcess player_;
	std::string meter_;
};
