// An X server with a window manager of a test's own, which the test may kill
// without taking the display of the other tests with it.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "support/OnScreen.h"
#include "support/Spawn.h"

// From Start() until it is destroyed, DISPLAY names this display, so that
// every program the test starts uses it.
class PrivateDisplay {
public:
	PrivateDisplay() {
		if (const char* display = std::getenv("DISPLAY")) saved_ = display;
	}

	~PrivateDisplay() {
		Stop(windowManager_);
		Stop(server_);
		if (saved_)
			setenv("DISPLAY", saved_->c_str(), 1);
		else
			unsetenv("DISPLAY");
	}

	PrivateDisplay(const PrivateDisplay&) = delete;
	PrivateDisplay& operator=(const PrivateDisplay&) = delete;

	// Starts Xvfb on a free display number, then openbox, and returns once
	// both answer. The window manager now and then fails to open a display
	// that has just started; it is started again then.
	bool Start() {
		if (!StartServer()) return false;
		for (int attempt = 0; attempt < 5; attempt++) {
			windowManager_ = Spawn({"openbox"});
			if (windowManager_ < 0) return false;
			const bool up = Eventually([&] {
				return RunsWindowManager() || waitpid(windowManager_, nullptr, WNOHANG) == windowManager_;
			});
			if (up && RunsWindowManager()) return true;
			Stop(windowManager_);
		}
		return false;
	}

	// Ends the X server at once, as a crash or a dropped session does.
	void KillServer() { Stop(server_, SIGKILL); }

private:
	bool StartServer() {
		int ready[2];
		if (pipe(ready) != 0) return false;
		server_ = Spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "1024x768x24",
		                 "-nolisten", "tcp"});
		close(ready[1]);
		// Xvfb writes its display number once it accepts clients.
		std::string number;
		pollfd readable{ready[0], POLLIN, 0};
		char byte = 0;
		while (server_ > 0 && poll(&readable, 1, 30000) > 0 && read(ready[0], &byte, 1) == 1 && byte != '\n')
			number += byte;
		close(ready[0]);
		if (number.empty()) return false;
		setenv("DISPLAY", (":" + number).c_str(), 1);
		return true;
	}

	static bool RunsWindowManager() { return std::system("wmctrl -m >/dev/null 2>&1") == 0; }

	static void Stop(pid_t& pid, int signal = SIGTERM) {
		if (pid <= 0) return;
		kill(pid, signal);
		waitpid(pid, nullptr, 0);
		pid = -1;
	}

	std::optional<std::string> saved_;
	pid_t server_ = -1;
	pid_t windowManager_ = -1;
};
