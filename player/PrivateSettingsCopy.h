// A private copy of the user's settings folder for a headless run, so that
// what the run does to the add-ons' settings (a size, a move, a gain) is never
// written back over the on-screen meters' own.
#pragma once

#include <memory>
#include <string>

#include "host/Expected.h"
#include "host/ScratchFolder.h"

// A fresh folder under the temporary folder (see ScratchFolder) holding a
// copy of `from`'s files (none when `from` does not exist), removed with its
// contents when the object goes. What is not a regular file or a folder (a
// FIFO, a device, a link that loops) or cannot be read is left out, with a
// line each, as the add-ons would not read it either: their settings then
// start from the defaults.
//
// [main thread]
class PrivateSettingsCopy {
public:
	// Fails with one line when the copy cannot be made.
	static Expected<std::unique_ptr<PrivateSettingsCopy>> Make(const std::string& from);

	PrivateSettingsCopy(const PrivateSettingsCopy&) = delete;
	PrivateSettingsCopy& operator=(const PrivateSettingsCopy&) = delete;

	const std::string& Path() const { return folder_.Path(); }
	// The folder copied.
	const std::string& From() const { return from_; }

private:
	PrivateSettingsCopy(ScratchFolder folder, std::string from)
	    : folder_(std::move(folder)), from_(std::move(from)) {}

	ScratchFolder folder_;
	std::string from_;
};
