// Where the tree a player plug-in's library was installed with lies: the
// player is not ours, so the library's own file, not the program's, tells.
#pragma once

#include <filesystem>

namespace LibraryFolder {

// The folder of the library this is linked into, links followed, which
// holds the meter process; empty when it cannot tell. [any thread]
std::filesystem::path Path();

} // namespace LibraryFolder
