// Whether a file a program is about to write is one it reads, or one it
// writes already: writing it would lose that file.
#pragma once

#include <string>
#include <vector>

namespace FileClash {

// A file as the program names it in a message: `what` ("--trace 'x'", "the
// input 'y'"), `path` the file, or "-" for the standard stream `standard`.
struct Named {
	std::string what;
	std::string path;
	int standard = -1;
};

// The first output that is one of the inputs, or the same file as another
// output, in one line: "OUTPUT would write over INPUT, the same file", or
// "OUTPUT and OUTPUT would write the same file; give each its own". Empty
// when there is none. Existing regular files are the same when they are one
// file under any name or link; files that do not exist yet when their paths,
// links resolved, are. [any thread]
std::string Find(const std::vector<Named>& outputs, const std::vector<Named>& inputs);

// The first output that is one of `written`, files the program writes on
// its own (settings files), whether they exist yet or not: "OUTPUT would
// write over WRITTEN". Empty when there is none. [any thread]
std::string FindOverWritten(const std::vector<Named>& outputs, const std::vector<Named>& written);

// FindOverWritten() for the add-ons' settings files `settingsFiles`, each
// named "the add-on settings file 'PATH'". [any thread]
std::string FindOverSettings(const std::vector<Named>& outputs,
                             const std::vector<std::string>& settingsFiles);

} // namespace FileClash
