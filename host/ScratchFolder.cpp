#include "host/ScratchFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/Report.h"

namespace {

constexpr const char* kDefault = "/tmp";

// The folder made in `parent`, or empty with `why` set.
std::string MakeIn(const std::string& parent, const std::string& prefix, std::string& why) {
	std::string pattern = (std::filesystem::path(parent) / (prefix + "-XXXXXX")).string();
	if (::mkdtemp(pattern.data())) return pattern;
	why = std::strerror(errno);
	return {};
}

} // namespace

Expected<ScratchFolder> ScratchFolder::Make(const std::string& prefix) {
	const char* variable = std::getenv("TMPDIR");
	const std::string chosen = variable && *variable ? variable : kDefault;
	std::string why;
	if (std::string folder = MakeIn(chosen, prefix, why); !folder.empty()) return ScratchFolder(folder);
	if (chosen != kDefault) {
		static bool told = false;
		if (!told) Report("TMPDIR " + chosen + ": " + why + "; using " + kDefault + " instead");
		told = true;
		if (std::string folder = MakeIn(kDefault, prefix, why); !folder.empty()) return ScratchFolder(folder);
	}
	return Failure{std::string("cannot make a folder in ") + kDefault + ": " + why};
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
	other.path_.clear();
}

ScratchFolder::~ScratchFolder() {
	if (path_.empty()) return;
	// Removing an entry takes a writable folder; files need nothing. Only
	// real folders are touched, never what a symbolic link points at.
	std::error_code ignored;
	::chmod(path_.c_str(), 0700);
	for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
		if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) ::chmod(entry.path().c_str(), 0700);
	std::filesystem::remove_all(path_, ignored);
}
