// A private sound server for a test, as a desktop session has one
// (tests/support/sound-server.sh): PulseAudio, or PipeWire with its PulseAudio
// service, in a folder of its own, with two null outputs 'one' (the default)
// and 'two'. While it lives, the process's environment points every sound
// client (vuplay, paplay, pactl) at it and nothing starts another.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

class SoundServer {
public:
	enum class Kind { PulseAudio, PipeWire };

	// In /tmp, however long $TMPDIR is: a socket's path has a limit.
	explicit SoundServer(Kind kind) : kind_(kind), folder_("/tmp", "vuplay-sound"), dir_(folder_.Path()) {
		Set("PULSE_SERVER", "unix:" + dir_ + "/pulse/native");
		Set("PULSE_CLIENTCONFIG", dir_ + "/client.conf");
		// Clients keep a cookie in their home; not in the user's.
		Set("HOME", dir_);
	}
	~SoundServer() {
		Stop();
		for (const auto& [name, value] : saved_)
			value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
	}
	SoundServer(const SoundServer&) = delete;
	SoundServer& operator=(const SoundServer&) = delete;

	static const char* NameOf(Kind kind) { return kind == Kind::PulseAudio ? "pulseaudio" : "pipewire"; }
	// Whether the programs it needs are installed.
	static bool Installed(Kind kind) {
		const std::string programs = kind == Kind::PulseAudio
		                                 ? "pulseaudio pactl paplay"
		                                 : "pipewire wireplumber pipewire-pulse dbus-daemon pactl paplay";
		return std::system(("command -v " + programs + " >/dev/null 2>&1").c_str()) == 0;
	}

	// Starts the server and returns once it answers; false, with its log in
	// `error`, when it does not. Give the test a watchdog.
	bool Start(std::string& error) {
		Stop();
		int ready[2];
		if (pipe(ready) != 0) return false;
		const pid_t parent = getpid();
		pid_ = fork();
		if (pid_ == 0) {
			// Stopped with the test process, however that ends.
			prctl(PR_SET_PDEATHSIG, SIGTERM);
			if (getppid() != parent) _exit(1);
			const int log = open((dir_ + "/start.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			if (log < 0 || dup2(ready[1], 1) < 0 || dup2(log, 2) < 0) _exit(99);
			close(ready[0]);
			execl(VUPLAY_SOUND_SERVER, VUPLAY_SOUND_SERVER, NameOf(kind_), dir_.c_str(), nullptr);
			_exit(98);
		}
		close(ready[1]);
		std::string said;
		char c = 0;
		while (read(ready[0], &c, 1) == 1 && c != '\n')
			said += c;
		close(ready[0]);
		if (said == "ready") return true;
		Stop();
		error = std::string(NameOf(kind_)) + " did not start: " + Log();
		return false;
	}
	// Sends `signal` to every process of the server: SIGSTOP makes a server
	// that is there but never answers, SIGCONT lets it go on.
	void Signal(int signal) const {
		std::error_code ec;
		for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
			const std::string name = entry.path().filename();
			if (name.find_first_not_of("0123456789") != std::string::npos) continue;
			std::ifstream stat(entry.path() / "stat");
			std::string line;
			std::getline(stat, line);
			// The parent's id follows the name in parentheses and the state.
			const size_t end = line.rfind(')');
			if (end != std::string::npos && std::atoi(line.c_str() + end + 4) == pid_)
				kill(std::atoi(name.c_str()), signal);
		}
	}
	// Stops every process of the server and waits for them.
	void Stop() {
		if (pid_ <= 0) return;
		Signal(SIGCONT); // a stopped process would never take its SIGTERM
		kill(pid_, SIGTERM);
		waitpid(pid_, nullptr, 0);
		pid_ = 0;
	}

private:
	void Set(const std::string& name, const std::string& value) {
		const char* old = std::getenv(name.c_str());
		saved_.emplace_back(name, old ? old : "");
		setenv(name.c_str(), value.c_str(), 1);
	}
	std::string Log() const {
		std::string text;
		if (std::FILE* file = std::fopen((dir_ + "/start.log").c_str(), "r")) {
			for (int c; (c = std::fgetc(file)) != EOF;)
				text += static_cast<char>(c);
			std::fclose(file);
		}
		return text;
	}

	Kind kind_;
	const TempDir folder_;
	const std::string dir_; // folder_'s path
	pid_t pid_ = 0;
	std::vector<std::pair<std::string, std::string>> saved_; // variables replaced, empty when unset before
};
