// Helpers for tests that drive a real X display with command-line tools.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

// Runs a shell command and returns what it printed on standard output.
inline std::string Shell(const std::string& command) {
	std::string output;
	if (FILE* pipe = popen(command.c_str(), "r")) {
		std::array<char, 256> buffer;
		size_t read;
		while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
			output.append(buffer.data(), read);
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
