// The one scratch folder of the tests: fresh, removed with its contents when
// the object goes. The programs' own is host/ScratchFolder; this one stays
// header-only, as the kit's tests link nothing above the kit.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
public:
	// "PREFIX-XXXXXX" in `parent`: the system's temporary folder, or a short
	// one where a socket's path inside must stay short.
	explicit TempDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path(),
	                 const std::string& prefix = "vu-test") {
		std::string pattern = (parent / (prefix + "-XXXXXX")).string();
		if (!mkdtemp(pattern.data())) std::abort();
		fPath = pattern;
	}
	// Also where a test left folders in it read-only.
	~TempDir() {
		std::error_code ignored;
		::chmod(fPath.c_str(), 0700);
		for (const auto& entry : std::filesystem::recursive_directory_iterator(fPath, ignored))
			if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
				::chmod(entry.path().c_str(), 0700);
		std::filesystem::remove_all(fPath, ignored);
	}
	TempDir(const TempDir&) = delete;
	TempDir& operator=(const TempDir&) = delete;

	const std::filesystem::path& Path() const { return fPath; }
	std::string operator/(const std::string& name) const { return (fPath / name).string(); }

private:
	std::filesystem::path fPath;
};
