#include "PrivateSettingsCopy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

std::unique_ptr<PrivateSettingsCopy> PrivateSettingsCopy::Make(const std::string& from, std::string& error) {
	namespace fs = std::filesystem;
	std::error_code failure;
	std::string pattern = (fs::temp_directory_path(failure) / "vuplay-settings-XXXXXX").string();
	if (failure || !::mkdtemp(pattern.data())) {
		error = "vuplay: settings: cannot make a private copy for the headless run: " +
		        (failure ? failure.message() : std::string(std::strerror(errno)));
		return nullptr;
	}
	std::unique_ptr<PrivateSettingsCopy> copy(new PrivateSettingsCopy(pattern));
	if (fs::exists(from, failure))
		fs::copy(from, copy->path_, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
		         failure);
	if (failure) {
		error = "vuplay: " + from + ": cannot copy the settings for the headless run: " + failure.message();
		return nullptr;
	}
	return copy;
}

PrivateSettingsCopy::~PrivateSettingsCopy() {
	std::error_code ignored;
	std::filesystem::remove_all(path_, ignored);
}
