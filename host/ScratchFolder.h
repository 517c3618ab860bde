// A fresh folder of a program's own in the temporary folder, removed with
// everything in it when the object goes.
#pragma once

#include <string>
#include <utility>

#include "host/Expected.h"

// [one thread] Every call.
class ScratchFolder {
public:
	// Makes "PREFIX-XXXXXX" in the temporary folder ($TMPDIR, else /tmp).
	// Where $TMPDIR is unusable (not a folder, not writable), in /tmp, which
	// is said once a process in a line (Report()). Fails with one line when
	// neither works.
	static Expected<ScratchFolder> Make(const std::string& prefix);
	// Removes the folder even where its contents were left read-only.
	~ScratchFolder();

	ScratchFolder(ScratchFolder&& other) noexcept;
	ScratchFolder& operator=(ScratchFolder&&) = delete;
	ScratchFolder(const ScratchFolder&) = delete;
	ScratchFolder& operator=(const ScratchFolder&) = delete;

	const std::string& Path() const { return path_; }

private:
	explicit ScratchFolder(std::string path) : path_(std::move(path)) {}

	std::string path_; // empty once moved from
};
