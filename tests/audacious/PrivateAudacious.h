// A real Audacious of the tests' own: the installed program, in a folder tree
// of its own so that it loads the plug-ins of this build (Audacious finds its
// plug-ins relative to its own file), with its own configuration, its own
// D-Bus session for audtool, and SDL's output playing into nothing at the
// real rate. On the display the tests run under (run-under-xvfb.sh).
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "player/TestFiles.h"
#include "support/MeterWindows.h"
#include "support/Spawn.h"
#include "support/TempDir.h"

class PrivateAudacious {
public:
	enum class Interface { Qt, Gtk };

	// Prepares the tree and the folders; Start() runs Audacious. `plugins`
	// are the plug-in files to link into its Visualization folder; the feed
	// goes into its Effect folder with them.
	PrivateAudacious(Interface interface, std::vector<std::string> plugins)
	    : interface_(interface), plugins_(std::move(plugins)) {
		namespace fs = std::filesystem;
		const fs::path bin = root_.Path() / "bin";
		const fs::path pluginDir = (bin / AUDACIOUS_PLUGIN_DIR_FROM_BIN).lexically_normal();
		fs::create_directories(bin);
		fs::create_directories(pluginDir / "Visualization");
		// A copy, not a link: Audacious takes its folders from its own file's place.
		fs::copy_file(AUDACIOUS_PROGRAM, bin / "audacious");
		fs::create_directories(pluginDir / "Effect");
		for (const auto& entry : fs::directory_iterator(AUDACIOUS_PLUGIN_DIR))
			if (entry.path().filename() == "Effect")
				for (const auto& effect : fs::directory_iterator(entry.path()))
					fs::create_symlink(effect.path(), pluginDir / "Effect" / effect.path().filename());
			else if (entry.path().filename() != "Visualization")
				fs::create_directory_symlink(entry.path(), pluginDir / entry.path().filename());
		for (const std::string& plugin : plugins_)
			fs::create_symlink(plugin, pluginDir / "Visualization" / fs::path(plugin).filename());
		if (!plugins_.empty())
			fs::create_symlink(FEED_PLUGIN, pluginDir / "Effect" / fs::path(FEED_PLUGIN).filename());
		const fs::path data = (bin / AUDACIOUS_DATA_DIR_FROM_BIN).lexically_normal();
		fs::create_directories(data.parent_path());
		fs::create_directory_symlink(AUDACIOUS_DATA_DIR, data);
		fs::create_directories(Settings());
	}

	~PrivateAudacious() {
		if (pid_ > 0) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
		}
		if (bus_ > 0) kill(bus_, SIGTERM);
	}

	PrivateAudacious(const PrivateAudacious&) = delete;
	PrivateAudacious& operator=(const PrivateAudacious&) = delete;

	// Audacious's plug-in folder in the tree.
	std::filesystem::path PluginFolder() const {
		return (root_.Path() / "bin" / AUDACIOUS_PLUGIN_DIR_FROM_BIN).lexically_normal();
	}
	// The folder the add-ons keep their settings in.
	std::string Settings() const { return root_ / "vu-settings"; }
	std::string Folder(const std::string& name) const { return root_ / name; }
	// Everything Audacious wrote on standard error.
	std::string Log() const { return ReadFile(root_ / "audacious.err"); }

	// Starts a D-Bus session and Audacious in it, with `environment` added
	// (NAME=VALUE), and waits until it answers audtool and plays through
	// SDL's output. False when it does not within the patience.
	bool Start(const std::vector<std::string>& environment = {}) {
		// Under the address sanitizer, the list of plug-ins comes from a first
		// run whose leaks are not looked for (see Registries()).
		if (SanitizerRuntime() && !Registries().count(plugins_)) {
			const bool listed = Run(environment, false) && Quit() == 0;
			kill(bus_, SIGTERM);
			std::filesystem::remove_all(root_.Path() / "config");
			if (!listed) return false;
		}
		SeedRegistry();
		return Run(environment, true);
	}

	// audtool's exit status and what it printed.
	struct Answer {
		int status;
		std::string out;
	};
	Answer Audtool(const std::string& arguments) const {
		const std::string command =
		    "DBUS_SESSION_BUS_ADDRESS='" + address_ + "' audtool " + arguments + " 2>/dev/null; echo \"$?\"";
		std::string out = Shell(command);
		const size_t last = out.find_last_of('\n', out.size() >= 2 ? out.size() - 2 : 0);
		const size_t statusAt = last == std::string::npos ? 0 : last + 1;
		const int status = std::atoi(out.c_str() + statusAt);
		out.erase(statusAt);
		return {status, out};
	}

	bool Enabled(const std::string& plugin) const {
		return Audtool("plugin-is-enabled " + plugin).status == 0;
	}

	// Asks Audacious to quit and waits for it: its exit status (128 + N
	// when signal N ended it), or nothing when it is still running after the
	// patience.
	std::optional<int> Quit() {
		Audtool("shutdown");
		int raw = 0;
		if (!Eventually([&] { return waitpid(pid_, &raw, WNOHANG) == pid_; }, std::chrono::seconds(60)))
			return std::nullopt;
		pid_ = -1;
		KeepRegistry();
		return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
	}

	bool Running() const { return pid_ > 0 && kill(pid_, 0) == 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
	pid_t Pid() const { return pid_; }

	// Ends Audacious at once, as a crash or the OOM killer would.
	void Kill() {
		if (pid_ <= 0) return;
		kill(pid_, SIGKILL);
		waitpid(pid_, nullptr, 0);
		pid_ = -1;
	}

private:
	// Start() without the list of plug-ins; `lookForLeaks` false turns the
	// leak checker off.
	bool Run(const std::vector<std::string>& environment, bool lookForLeaks) {
		const std::string bus = Shell("dbus-daemon --session --fork --print-address=1 --print-pid=1");
		const size_t newline = bus.find('\n');
		if (newline == std::string::npos) return false;
		address_ = bus.substr(0, newline);
		bus_ = std::atoi(bus.c_str() + newline + 1);
		std::vector<std::string> variables = {
		    "DBUS_SESSION_BUS_ADDRESS=" + address_,  "HOME=" + (root_ / "home"),
		    "XDG_CONFIG_HOME=" + (root_ / "config"), "XDG_CACHE_HOME=" + (root_ / "cache"),
		    "XDG_DATA_HOME=" + (root_ / "data"),     "XDG_RUNTIME_DIR=" + (root_ / "runtime"),
		    "VUMETERS_SETTINGS_DIR=" + Settings(),   "SDL_AUDIODRIVER=dummy",
		    "PULSE_SERVER=unix:/nonexistent",
		};
		if (const char* runtime = SanitizerRuntime()) {
			variables.push_back(std::string("LD_PRELOAD=") + runtime);
			// Audacious leaves memory behind at exit in plug-ins it has
			// unloaded by then: its status stays its own, and the tests
			// look in the report for leaks of ours.
			const char* leaks = std::getenv("LSAN_OPTIONS");
			variables.push_back(std::string("LSAN_OPTIONS=") + (leaks ? leaks : "") + ":exitcode=0");
			if (!lookForLeaks) {
				const char* options = std::getenv("ASAN_OPTIONS");
				variables.push_back(std::string("ASAN_OPTIONS=") + (options ? options : "") +
				                    ":detect_leaks=0");
			}
		}
		variables.insert(variables.end(), environment.begin(), environment.end());
		std::filesystem::create_directories(root_ / "runtime");
		std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
		std::vector<std::string> args = {"env"};
		args.insert(args.end(), variables.begin(), variables.end());
		args.insert(args.end(),
		            {root_ / "bin/audacious", interface_ == Interface::Qt ? "--qt" : "--gtk", "-V"});
		pid_ = Spawn(args, root_ / "audacious.out", root_ / "audacious.err");
		if (pid_ <= 0) return false;
		// Audacious answers on D-Bus before it has read its plug-ins; it has
		// once it starts its interface.
		if (!Eventually(
		        [&] {
			        return Log().find("Probing for interface plugin") != std::string::npos ||
			               Log().find("Starting selected interface plugin") != std::string::npos;
		        },
		        std::chrono::seconds(60)))
			return false;
		// A request that comes too early is not answered at all: asked again.
		return Eventually([&] {
			if (Log().find("to SDL Output.") != std::string::npos ||
			    Log().find("Starting selected output plugin SDL Output.") != std::string::npos)
				return true;
			Audtool("plugin-enable sdlout on");
			std::this_thread::sleep_for(std::chrono::milliseconds(300));
			return false;
		});
	}

	// Audacious reads every plug-in once to list it, the first time it runs
	// with a configuration, and unloads each again: what those leave at exit,
	// in libraries gone by then, takes the leak checker a minute or more to
	// report. Audacious keeps the list in its configuration, so each Audacious
	// of these tests after the first starts from the list the first one made
	// with the same plug-ins, this tree's folder in its paths and the meters off.
	static std::map<std::vector<std::string>, std::string>& Registries() {
		static std::map<std::vector<std::string>, std::string> registries;
		return registries;
	}
	std::filesystem::path RegistryFile() const { return root_.Path() / "config/audacious/plugin-registry"; }
	static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
		for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
			text.replace(at, from.size(), to);
		return text;
	}
	void SeedRegistry() const {
		const auto registry = Registries().find(plugins_);
		if (registry == Registries().end()) return;
		std::filesystem::create_directories(RegistryFile().parent_path());
		std::ofstream(RegistryFile()) << Replaced(registry->second, "@TREE@", root_.Path().string());
	}
	void KeepRegistry() const {
		if (Registries().count(plugins_)) return;
		std::istringstream lines(ReadFile(RegistryFile()));
		std::string kept;
		bool meter = false;
		for (std::string line; std::getline(lines, line);) {
			if (line.find(" /") != std::string::npos) meter = line.find("/vu-meters-") != std::string::npos;
			kept += (meter && line == "enabled 1" ? "enabled 0" : line) + "\n";
		}
		if (kept.find(root_.Path().string()) != std::string::npos)
			Registries()[plugins_] = Replaced(kept, root_.Path().string(), "@TREE@");
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

	Interface interface_;
	std::vector<std::string> plugins_;
	TempDir root_;
	std::string address_;
	pid_t bus_ = -1;
	pid_t pid_ = -1;
};
