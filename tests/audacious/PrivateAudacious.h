// A real Audacious of the tests' own: the installed program, in a folder tree
// of its own so that it loads the plug-ins of this build (Audacious finds its
// plug-ins relative to its own file), with its own configuration, its own
// D-Bus session for audtool, and SDL's output playing into nothing at the
// real rate. On the display the tests run under (run-under-xvfb.sh).
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/PrivatePlayer.h"

class PrivateAudacious : public PrivatePlayer {
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

	// Audacious's plug-in folder in the tree.
	std::filesystem::path PluginFolder() const {
		return (root_.Path() / "bin" / AUDACIOUS_PLUGIN_DIR_FROM_BIN).lexically_normal();
	}
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
	Answer Audtool(const std::string& arguments) const {
		return Answered("env '" + bus_address_ + "' audtool " + arguments + " 2>/dev/null; echo \"$?\"");
	}

	bool Enabled(const std::string& plugin) const {
		return Audtool("plugin-is-enabled " + plugin).status == 0;
	}

	// Asks Audacious to quit and waits for it: its exit status (128 + N
	// when signal N ended it), or nothing when it is still running after the
	// patience.
	std::optional<int> Quit() {
		Audtool("shutdown");
		const std::optional<int> status = AwaitExit();
		if (status) KeepRegistry();
		return status;
	}

private:
	// Start() without the list of plug-ins; `lookForLeaks` false turns the
	// leak checker off.
	bool Run(const std::vector<std::string>& environment, bool lookForLeaks) {
		std::vector<std::string> variables = Environment({"SDL_AUDIODRIVER=dummy"});
		if (variables.empty()) return false;
		bus_address_ = variables[0];
		for (const std::string& variable : SanitizerVariables())
			variables.push_back(variable);
		if (SanitizerRuntime() && !lookForLeaks) {
			const char* options = std::getenv("ASAN_OPTIONS");
			variables.push_back(std::string("ASAN_OPTIONS=") + (options ? options : "") + ":detect_leaks=0");
		}
		variables.insert(variables.end(), environment.begin(), environment.end());
		if (!Launch(variables,
		            {root_ / "bin/audacious", interface_ == Interface::Qt ? "--qt" : "--gtk", "-V"},
		            "audacious"))
			return false;
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

	Interface interface_;
	std::vector<std::string> plugins_;
	std::string bus_address_; // DBUS_SESSION_BUS_ADDRESS=..., for audtool
};
