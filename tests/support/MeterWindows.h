// The meter windows as the X server shows them, found and measured with the
// X tools, and the settings they leave behind: for the tests of every
// program that hosts the meters in real windows.
#pragma once

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "player/TestFiles.h"
#include "support/OnScreen.h"

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

// The first window with a matching title, or empty. The window manager's
// list comes first: xdotool cannot read a title that a program in a UTF-8
// locale (Audacious) set as UTF-8; xdotool then finds the windows the window
// manager does not manage, such as popup menus.
inline std::string WindowId(const char* title) {
	std::istringstream managed(Shell("wmctrl -l 2>/dev/null"));
	const std::regex line(R"(^(0x[0-9a-f]+)\s+-?[0-9]+\s+\S+\s(.*)$)");
	const std::regex wanted(title);
	for (std::string entry; std::getline(managed, entry);)
		if (std::smatch parts;
		    std::regex_match(entry, parts, line) && std::regex_search(parts[2].str(), wanted))
			return std::to_string(std::stoul(parts[1].str(), nullptr, 16));
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

// A settings file with that window frame and a gain of 100 %.
inline bool WriteFrame(const std::string& path, float left, float top, float right, float bottom) {
	const Settings settings{left, top, right, bottom, 100};
	std::ofstream file(path, std::ios::binary);
	file.write(reinterpret_cast<const char*>(&settings), sizeof settings);
	return bool(file);
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
