// A real Qmmp of the tests' own: the installed program, its plug-ins found in
// a folder tree of the test's (QMMP_PLUGINS) that holds Qmmp's own and this
// build's, with its own home and configuration, its own D-Bus session, and
// its null output playing into nothing at the real rate. On the display the
// tests run under (run-under-xvfb.sh); driven by its command line.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "player/TestFiles.h"
#include "support/OnScreen.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

class PrivateQmmp {
public:
	// Prepares the tree, and a configuration in which the visualisation
	// plug-ins `enabled` ("vu-meters-corvel") start with Qmmp.
	explicit PrivateQmmp(const std::vector<std::string>& enabled) {
		namespace fs = std::filesystem;
		const fs::path plugins = root_.Path() / "plugins";
		fs::create_directories(plugins);
		for (const auto& entry : fs::directory_iterator(QMMP_PLUGIN_DIR)) {
			const std::string kind = entry.path().filename();
			if (kind != "Visual" && kind != "Effect") {
				fs::create_directory_symlink(entry.path(), plugins / kind);
				continue;
			}
			fs::create_directories(plugins / kind);
			// Qmmp's own, not the meters of an installed package.
			for (const auto& plugin : fs::directory_iterator(entry.path()))
				if (!plugin.path().filename().string().starts_with("libvu-meters-"))
					fs::create_symlink(plugin.path(), plugins / kind / plugin.path().filename());
		}
		for (const char* plugin : {CORVEL_PLUGIN, KESTLE_PLUGIN})
			fs::create_symlink(plugin, plugins / "Visual" / fs::path(plugin).filename());
		fs::create_symlink(FEED_PLUGIN, plugins / "Effect" / fs::path(FEED_PLUGIN).filename());
		fs::create_directories(root_.Path() / "home/.qmmp");
		std::string list;
		for (const std::string& name : enabled)
			list += (list.empty() ? "" : ", ") + name;
		std::ofstream(root_ / "home/.qmmp/qmmprc") << "[Output]\ncurrent_plugin=null\n"
		                                           << "[Visualization]\nenabled_plugins=" << list << "\n";
		fs::create_directories(Settings());
	}

	~PrivateQmmp() {
		if (pid_ > 0) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
		}
		if (bus_ > 0) kill(bus_, SIGTERM);
	}

	PrivateQmmp(const PrivateQmmp&) = delete;
	PrivateQmmp& operator=(const PrivateQmmp&) = delete;

	// The folder the add-ons keep their settings in.
	std::string Settings() const { return root_ / "vu-settings"; }
	// Everything Qmmp wrote on standard error.
	std::string Log() const { return ReadFile(root_ / "qmmp.err"); }
	// Qmmp's configuration file as it is now.
	std::string Configuration() const { return ReadFile(root_ / "home/.qmmp/qmmprc"); }

	// Starts a D-Bus session and Qmmp in it, with `environment` added
	// (NAME=VALUE), and waits until it answers its command line. False when
	// it does not within the patience.
	bool Start(const std::vector<std::string>& environment = {}) {
		const std::string bus = Shell("dbus-daemon --session --fork --print-address=1 --print-pid=1");
		const size_t newline = bus.find('\n');
		if (newline == std::string::npos) return false;
		bus_ = std::atoi(bus.c_str() + newline + 1);
		variables_ = {
		    "DBUS_SESSION_BUS_ADDRESS=" + bus.substr(0, newline),
		    "HOME=" + (root_ / "home"),
		    "XDG_CONFIG_HOME=" + (root_ / "config"),
		    "XDG_CACHE_HOME=" + (root_ / "cache"),
		    "XDG_DATA_HOME=" + (root_ / "data"),
		    "XDG_RUNTIME_DIR=" + (root_ / "runtime"),
		    "QMMP_PLUGINS=" + (root_ / "plugins"),
		    "VUMETERS_SETTINGS_DIR=" + Settings(),
		    "PULSE_SERVER=unix:/nonexistent",
		};
		std::filesystem::create_directories(root_ / "runtime");
		std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
		std::vector<std::string> variables = variables_;
		if (const char* runtime = SanitizerRuntime()) {
			variables.push_back(std::string("LD_PRELOAD=") + runtime);
			// Qt and Qmmp leave memory behind at exit: Qmmp's status stays its
			// own, and the tests look in the report for leaks of ours.
			const char* leaks = std::getenv("LSAN_OPTIONS");
			variables.push_back(std::string("LSAN_OPTIONS=") + (leaks ? leaks : "") + ":exitcode=0");
		}
		variables.insert(variables.end(), environment.begin(), environment.end());
		std::vector<std::string> args = {"env"};
		args.insert(args.end(), variables.begin(), variables.end());
		args.push_back(QMMP_PROGRAM);
		pid_ = Spawn(args, root_ / "qmmp.out", root_ / "qmmp.err");
		if (pid_ <= 0) return false;
		return Eventually([&] { return Command("--status").status == 0; }, std::chrono::seconds(60));
	}

	struct Answer {
		int status;
		std::string out;
	};
	// Runs `qmmp --no-start ARGUMENTS` against this Qmmp: its exit status and what it printed.
	Answer Command(const std::string& arguments) const { return Run("--no-start " + arguments); }
	// Has this Qmmp play `files` (paths separated by spaces) from the first,
	// in place of what the playlist held. Files are not sent with --no-start.
	void Play(const std::string& files) const { Run(files); }

	// "playing", "paused" or "stopped", as --status says.
	std::string State() const {
		const std::string out = Command("--status").out;
		const size_t open = out.find('['), close = out.find(']');
		return open == std::string::npos || close == std::string::npos
		           ? ""
		           : out.substr(open + 1, close - open - 1);
	}

	// Asks Qmmp to quit and waits for it: its exit status (128 + N when
	// signal N ended it), or nothing when it is still running after the patience.
	std::optional<int> Quit() {
		Command("--quit");
		int raw = 0;
		if (!Eventually([&] { return waitpid(pid_, &raw, WNOHANG) == pid_; }, std::chrono::seconds(60)))
			return std::nullopt;
		pid_ = -1;
		return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
	}

	bool Running() const { return pid_ > 0 && kill(pid_, 0) == 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
	pid_t Pid() const { return pid_; }

private:
	Answer Run(const std::string& arguments) const {
		std::string command = "env";
		for (const std::string& variable : variables_)
			command += " '" + variable + "'";
		command += std::string(" ") + QMMP_PROGRAM + " " + arguments + " 2>/dev/null; echo \"$?\"";
		std::string out = Shell(command);
		const size_t last = out.find_last_of('\n', out.size() >= 2 ? out.size() - 2 : 0);
		const size_t statusAt = last == std::string::npos ? 0 : last + 1;
		const int status = std::atoi(out.c_str() + statusAt);
		out.erase(statusAt);
		return {status, out};
	}

	// The address sanitizer's runtime, which must come first in a program
	// that is not built with it, for the plug-ins that are.
	static const char* SanitizerRuntime() {
#ifdef VUMETERS_ASAN_RUNTIME
		return VUMETERS_ASAN_RUNTIME;
#else
		return nullptr;
#endif
	}

	TempDir root_;
	std::vector<std::string> variables_;
	pid_t bus_ = -1;
	pid_t pid_ = -1;
};
