// Where the host programs find add-ons. A name containing '/' is a path and
// is used as it is. Any other name is a file name, "corvel" and "kestle"
// standing for the two add-ons of this project, looked up in these folders in
// turn, the first library of that name winning (a regular file with the ELF
// header of a shared library for this machine):
//   1. each folder of $VUMETERS_ADDON_PATH (colon-separated; empty entries
//      are ignored, so the current folder is never searched by accident);
//   2. ~/.local/lib/vu-meters/add-ons;
//   3. the folder installed with the program, found from the program's own
//      location (the build tree has the same layout).
// A name is never handed to the system's library search.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// [any thread] Every call; the folders are read from the disk on each one.
class AddonLocator {
public:
	struct Addon {
		std::string name; // "corvel", "kestle" or the file name
		std::filesystem::path path;
	};

	// The folders above, from the environment and the running program; a
	// host that is itself an add-on of another program names the installed
	// folder, found from its own place.
	static AddonLocator FromEnvironment(const std::filesystem::path& installed = InstalledFolder());
	// The folders above: `addonPath` as $VUMETERS_ADDON_PATH, `home` the home
	// folder and `installed` the installed folder (empty: none).
	static AddonLocator For(const std::string& addonPath, const std::filesystem::path& home,
	                        const std::filesystem::path& installed);
	// The folder installed with the running program; empty when the program
	// cannot tell where it lies.
	static std::filesystem::path InstalledFolder();
	// The rule above in a sentence for --help, with the installed folder.
	static std::string Rule();

	const std::vector<std::filesystem::path>& Folders() const { return folders_; }

	// The library `name` stands for; nothing when no folder holds it.
	std::optional<std::filesystem::path> Find(const std::string& name) const;
	// Every library in the folders that Find() gives for its name, folder by
	// folder and by name within a folder. Into `skipped`, when given, a line
	// "PATH: why" for every other file there: no library, found later under a
	// name already found, or a name that stands for another file (a file
	// named "kestle" is not what "kestle" finds).
	std::vector<Addon> All(std::vector<std::string>* skipped = nullptr) const;
	// One line for a name that Find() does not know: the file of that name
	// in a folder that is no add-on, and why; else the nearest names, if any
	// is near (DidYouMean); and which names there are, or that the folders
	// hold none.
	std::string Unknown(const std::string& name) const;
	// "no add-ons in FOLDER, ...", for when All() is empty.
	std::string NoneFound() const;

private:
	explicit AddonLocator(std::vector<std::filesystem::path> folders) : folders_(std::move(folders)) {}

	std::vector<std::filesystem::path> folders_;
};
