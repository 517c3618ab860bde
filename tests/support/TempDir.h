// The one scratch folder of the tests: fresh under the system's temporary
// folder, removed with its contents when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
public:
	TempDir() {
		std::string pattern = (std::filesystem::temp_directory_path() / "vu-test-XXXXXX").string();
		if (!mkdtemp(pattern.data())) std::abort();
		fPath = pattern;
	}
	~TempDir() {
		std::error_code ignored;
		std::filesystem::remove_all(fPath, ignored);
	}
	TempDir(const TempDir&) = delete;
	TempDir& operator=(const TempDir&) = delete;

	const std::filesystem::path& Path() const { return fPath; }
	std::string operator/(const std::string& name) const { return (fPath / name).string(); }

private:
	std::filesystem::path fPath;
};
