// Where the add-ons lie, seen from the library that runs them in Audacious:
// Audacious is not ours, so the library's own file, not the program's, tells
// where the tree it was installed with is.
#pragma once

#include <filesystem>

namespace BridgeFolder {

// The add-on folder of the tree this library belongs to; empty when it
// cannot tell. [any thread]
std::filesystem::path AddonFolder();

} // namespace BridgeFolder
