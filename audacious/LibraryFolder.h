// Where the tree this library was installed with lies: Audacious is not
// ours, so the library's own file, not the program's, tells.
#pragma once

#include <filesystem>

namespace LibraryFolder {

// The folder this library lies in, links followed, which holds the meter
// process; empty when it cannot tell. [any thread]
std::filesystem::path Path();

} // namespace LibraryFolder
