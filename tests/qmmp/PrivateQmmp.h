// A real Qmmp of the tests' own: the installed program, its plug-ins found in
// a folder tree of the test's (QMMP_PLUGINS) that holds Qmmp's own and this
// build's, with its own home and configuration, its own D-Bus session, and
// its null output playing into nothing at the real rate. On the display the
// tests run under (run-under-xvfb.sh); driven by its command line.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/PrivatePlayer.h"

class PrivateQmmp : public PrivatePlayer {
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

	// Everything Qmmp wrote on standard error.
	std::string Log() const { return ReadFile(root_ / "qmmp.err"); }
	// Qmmp's configuration file as it is now.
	std::string Configuration() const { return ReadFile(root_ / "home/.qmmp/qmmprc"); }

	// Starts a D-Bus session and Qmmp in it, with `environment` added
	// (NAME=VALUE), and waits until it answers its command line. False when
	// it does not within the patience.
	bool Start(const std::vector<std::string>& environment = {}) {
		variables_ = Environment({"QMMP_PLUGINS=" + (root_ / "plugins")});
		if (variables_.empty()) return false;
		std::vector<std::string> variables = variables_;
		for (const std::string& variable : SanitizerVariables())
			variables.push_back(variable);
		variables.insert(variables.end(), environment.begin(), environment.end());
		if (!Launch(variables, {QMMP_PROGRAM}, "qmmp")) return false;
		return Eventually([&] { return Command("--status").status == 0; }, std::chrono::seconds(60));
	}

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
		return AwaitExit();
	}

private:
	Answer Run(const std::string& arguments) const {
		std::string command = "env";
		for (const std::string& variable : variables_)
			command += " '" + variable + "'";
		return Answered(command + " " + QMMP_PROGRAM + " " + arguments + " 2>/dev/null; echo \"$?\"");
	}

	std::vector<std::string> variables_; // the player's environment, for its command line
};
