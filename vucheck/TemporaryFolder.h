// A fresh folder under the temporary folder ($TMPDIR, else /tmp), removed
// with everything in it when the object goes.
#pragma once

#include <string>

// [one thread] Every call.
class TemporaryFolder {
public:
	// Makes "vucheck-XXXXXX"; check Path(), empty when that failed, and
	// Error(), which then says why.
	TemporaryFolder();
	// Removes the folder even where a check left it or its contents
	// read-only.
	~TemporaryFolder();
	TemporaryFolder(const TemporaryFolder&) = delete;
	TemporaryFolder& operator=(const TemporaryFolder&) = delete;

	const std::string& Path() const { return path_; }
	const std::string& Error() const { return error_; }

private:
	std::string path_;
	std::string error_;
};
