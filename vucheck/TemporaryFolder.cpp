#include "TemporaryFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

TemporaryFolder::TemporaryFolder() {
	std::error_code error;
	const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
	if (error) {
		error_ = "no usable temporary folder ($TMPDIR or /tmp): " + error.message();
		return;
	}
	std::string pattern = (parent / "vucheck-XXXXXX").string();
	if (!mkdtemp(pattern.data())) {
		error_ = "cannot make a folder in " + parent.string() + ": " + std::strerror(errno);
		return;
	}
	path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
	if (path_.empty()) return;
	// Removing an entry takes a writable folder; files need nothing. Only
	// real folders are touched, never what a symbolic link points at.
	std::error_code ignored;
	chmod(path_.c_str(), 0700);
	for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
		if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) chmod(entry.path().c_str(), 0700);
	std::filesystem::remove_all(path_, ignored);
}
