// Helpers for tests that drive a real X display with command-line tools.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include <Window.h>

// Runs a shell command and returns what it printed on standard output.
inline std::string Shell(const std::string& command) {
	std::string output;
	if (FILE* pipe = popen(command.c_str(), "r")) {
		std::array<char, 256> buffer;
		size_t read;
		while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), read);
		pclose(pipe);
	}
	return output;
}

// Polls `condition` until it holds or the patience runs out: Xvfb on a busy
// two-core machine can take seconds to answer.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds patience = std::chrono::seconds(20)) {
	const auto deadline = std::chrono::steady_clock::now() + patience;
	while (!condition()) {
		if (std::chrono::steady_clock::now() > deadline) return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	return true;
}

// Waits until the X server shows the window's content at its frame and the
// window is active, so that the first click is not spent on activating it.
inline bool WaitUntilPlaced(BWindow* window, const char* title) {
	return Eventually([&] {
		const std::string id =
		    Shell(std::string("xdotool search --name '^") + title + "$' 2>/dev/null | head -1");
		if (id.empty()) return false;
		const std::string info = Shell("xwininfo -id " + id);
		auto number = [&](const char* label) {
			const size_t at = info.find(label);
			return at == std::string::npos ? -1.0f : std::stof(info.substr(at + std::strlen(label)));
		};
		if (!window->Lock()) return false;
		const BPoint leftTop = window->Frame().LeftTop();
		const bool active = window->IsActive();
		window->Unlock();
		return active && number("Absolute upper-left X:") == leftTop.x &&
		       number("Absolute upper-left Y:") == leftTop.y;
	});
}
