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
#include "support/MeterWindows.h"
#include "support/OnScreen.h"
#include "support/Spawn.h"
#include "support/Watchdog.h"

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
