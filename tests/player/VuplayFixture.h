// Runs the built vuplay as a process, with the real add-ons, a one-second
// tone and a scratch settings folder.
#pragma once

#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "player/TestFiles.h"
#include "support/Watchdog.h"

struct Outcome {
	int status = -1; // exit status; -1 when it did not exit normally
	std::string out;
	std::string err;
};

inline int Count(const std::string& text, const std::string& pattern) {
	const std::regex expression(pattern, std::regex::multiline);
	return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), expression), {}));
}

// TSAN_OPTIONS for a program whose ending a test times: the thread sanitizer
// would wait a second at exit for threads still running, no part of its time.
inline std::string TsanWithoutExitPause() {
	const char* options = std::getenv("TSAN_OPTIONS");
	return std::string(options ? options : "") + ":atexit_sleep_ms=0";
}

class VuplayFixture : public ::testing::Test {
protected:
	void SetUp() override {
		if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
		// 44100 frames: 86 whole blocks and a padded one.
		ASSERT_TRUE(RunQuietly("sox -n -r 44100 -c 2 -b 16 '" + tone_ + "' synth 1 sine 440 vol 0.5"));
	}

	// The program and its scratch settings folder, quoted for the shell.
	std::string Program() const { return "'" VUPLAY_PROGRAM "' --settings-dir '" + settings_ + "'"; }

	// Runs `script` with bash, its standard input empty, with a watchdog, in
	// a session of its own without the terminal the tests may run on.
	Outcome Shell(const std::string& script) {
		Watchdog watchdog(std::chrono::seconds(120));
		const std::string file = dir_ / "run.sh", out = dir_ / "stdout", err = dir_ / "stderr";
		std::ofstream(file) << script << "\n";
		const int raw =
		    std::system(("setsid -w bash '" + file + "' >'" + out + "' 2>'" + err + "' </dev/null").c_str());
		Outcome run;
		run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
		run.out = ReadFile(out);
		run.err = ReadFile(err);
		return run;
	}

	// vuplay --headless ARGS, without sound.
	Outcome Vuplay(const std::string& args) {
		return Shell("SDL_AUDIODRIVER=dummy timeout 100 " + Program() + " --headless " + args);
	}

	// The files in the scratch folder whose names end in `suffix`.
	std::vector<std::string> FilesEndingIn(const std::string& suffix) const {
		std::vector<std::string> names;
		for (const auto& entry : std::filesystem::directory_iterator(dir_ / ""))
			if (entry.path().filename().string().ends_with(suffix)) names.push_back(entry.path().filename());
		return names;
	}

	std::string Script(const std::string& text) {
		const std::string path = dir_ / "events.txt";
		std::ofstream(path) << text;
		return path;
	}

	TempDir dir_;
	std::string tone_ = dir_ / "tone.wav";
	std::string settings_ = dir_ / "settings";
};
