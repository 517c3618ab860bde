// Outputs of a command line that would write over its inputs or over each other.
#pragma once

#include <string>
#include <vector>

struct Options;

// What the run reads (the files, "-" as standard input, the script, the
// add-ons) and what it writes (the trace, a recording to a file or "-" as
// standard output) are compared by device and inode, so that links and other
// names of one file count as that file; outputs that do not exist yet, by
// their path with links resolved. Only regular files are compared: a device
// such as /dev/null may well be named twice.
//
// [main thread] Looks at the disk, opens nothing.
class OutputClash {
public:
	// One line, without the program's name, when an output is an input or
	// another output; empty otherwise.
	static std::string Find(const Options& options);
	// The same when an output is one of `settingsFiles`, which the add-ons
	// write when they unload.
	static std::string FindOverSettings(const Options& options,
	                                    const std::vector<std::string>& settingsFiles);
};
