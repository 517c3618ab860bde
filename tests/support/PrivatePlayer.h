// What the tests' own real players share: a folder tree of the test's, a
// D-Bus session of their own, an environment that keeps them off the user's
// home, sound server and settings, and the player's process, which ends with
// the object.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "player/TestFiles.h"
#include "support/OnScreen.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

class PrivatePlayer {
public:
	PrivatePlayer() = default;
	~PrivatePlayer() {
		Kill();
		if (bus_ > 0) kill(bus_, SIGTERM);
	}

	PrivatePlayer(const PrivatePlayer&) = delete;
	PrivatePlayer& operator=(const PrivatePlayer&) = delete;

	// The folder the add-ons keep their settings in.
	std::string Settings() const { return root_ / "vu-settings"; }

	bool Running() const { return pid_ > 0 && kill(pid_, 0) == 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
	pid_t Pid() const { return pid_; }

	// Ends the player at once, as a crash or the OOM killer would.
	void Kill() {
		if (pid_ <= 0) return;
		kill(pid_, SIGKILL);
		waitpid(pid_, nullptr, 0);
		pid_ = -1;
	}

	// A command's exit status and what it printed.
	struct Answer {
		int status;
		std::string out;
	};

protected:
	// Starts the D-Bus session; the variables that put the player in it and
	// in the tree, with the sanitizer's runtime and `extra` added. Empty when
	// the session did not start.
	std::vector<std::string> Environment(const std::vector<std::string>& extra) {
		const std::string bus = Shell("dbus-daemon --session --fork --print-address=1 --print-pid=1");
		const size_t newline = bus.find('\n');
		if (newline == std::string::npos) return {};
		bus_ = std::atoi(bus.c_str() + newline + 1);
		std::filesystem::create_directories(root_ / "runtime");
		std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
		std::vector<std::string> variables = {
		    "DBUS_SESSION_BUS_ADDRESS=" + bus.substr(0, newline),
		    "HOME=" + (root_ / "home"),
		    "XDG_CONFIG_HOME=" + (root_ / "config"),
		    "XDG_CACHE_HOME=" + (root_ / "cache"),
		    "XDG_DATA_HOME=" + (root_ / "data"),
		    "XDG_RUNTIME_DIR=" + (root_ / "runtime"),
		    "VUMETERS_SETTINGS_DIR=" + Settings(),
		    "PULSE_SERVER=unix:/nonexistent",
		};
		variables.insert(variables.end(), extra.begin(), extra.end());
		return variables;
	}

	// The sanitizer's variables for a player that is not built with it:
	// its runtime first, for the plug-ins that are. The player's own leaks at
	// exit leave its status its own; the tests look in the report for ours.
	static std::vector<std::string> SanitizerVariables() {
		const char* runtime = SanitizerRuntime();
		if (!runtime) return {};
		const char* leaks = std::getenv("LSAN_OPTIONS");
		return {std::string("LD_PRELOAD=") + runtime,
		        std::string("LSAN_OPTIONS=") + (leaks ? leaks : "") + ":exitcode=0"};
	}

	// Runs the player: `variables` then `command` under env, its output into
	// NAME.out and NAME.err in the tree. False when it could not start.
	bool Launch(const std::vector<std::string>& variables, const std::vector<std::string>& command,
	            const std::string& name) {
		std::vector<std::string> args = {"env"};
		args.insert(args.end(), variables.begin(), variables.end());
		args.insert(args.end(), command.begin(), command.end());
		pid_ = Spawn(args, root_ / (name + ".out"), root_ / (name + ".err"));
		return pid_ > 0;
	}

	// Waits for the player to end: its exit status (128 + N when signal N
	// ended it), or nothing when it is still running after the patience.
	std::optional<int> AwaitExit() {
		int raw = 0;
		if (!Eventually([&] { return waitpid(pid_, &raw, WNOHANG) == pid_; }, std::chrono::seconds(60)))
			return std::nullopt;
		pid_ = -1;
		return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
	}

	// Runs a shell command that ends in `echo "$?"`: that status, and what it printed before.
	static Answer Answered(const std::string& command) {
		std::string out = Shell(command);
		const size_t last = out.find_last_of('\n', out.size() >= 2 ? out.size() - 2 : 0);
		const size_t statusAt = last == std::string::npos ? 0 : last + 1;
		const int status = std::atoi(out.c_str() + statusAt);
		out.erase(statusAt);
		return {status, out};
	}

	static const char* SanitizerRuntime() {
#ifdef VUMETERS_ASAN_RUNTIME
		return VUMETERS_ASAN_RUNTIME;
#else
		return nullptr;
#endif
	}

	TempDir root_;
	pid_t bus_ = -1;

private:
	pid_t pid_ = -1;
};
