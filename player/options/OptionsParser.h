// Reading the command line of vuplay into Options, and its help.
#pragma once

#include <optional>
#include <string>

#include "host/ExitStatus.h"
#include "options/Options.h"

struct ParsedOptions {
	std::optional<Options> options; // set when the program should run
	int exitStatus = ExitOk;        // otherwise: 0 after --help or --version, 2 after a usage error
	std::string message;            // the help text, the version, or one line naming the bad option,
	                                // without the program's name, to be reported
};

class OptionsParser {
public:
	// Parses without printing or exiting; the caller shows `message`.
	static ParsedOptions Parse(int argc, const char* const* argv);
	static std::string Help();
};
