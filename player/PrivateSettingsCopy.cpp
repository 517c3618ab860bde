#include "PrivateSettingsCopy.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "host/Report.h"

namespace {

namespace fs = std::filesystem;

const char* KindOf(fs::file_type type) {
	switch (type) {
	case fs::file_type::fifo:
		return "a FIFO";
	case fs::file_type::socket:
		return "a socket";
	case fs::file_type::block:
	case fs::file_type::character:
		return "a device";
	default:
		return "not a regular file";
	}
}

// Copies the regular files of `from` into `to`, and its folders the same way.
// Anything else is left out with a line: the add-ons neither read nor write
// a settings file that is a FIFO or a device, and one that cannot be read
// would fail the whole run. A link that leads nowhere is as no file.
void CopyFolder(const fs::path& from, const fs::path& to) {
	const auto skip = [](const fs::path& path, const std::string& why) {
		Report(path.string() + ": " + why + "; the headless run starts without it");
	};
	std::error_code failure;
	std::vector<fs::path> paths;
	for (fs::directory_iterator entries(from, failure), end; !failure && entries != end;
	     entries.increment(failure))
		paths.push_back(entries->path());
	if (failure) skip(from, failure.message());
	std::sort(paths.begin(), paths.end());
	for (const fs::path& path : paths) {
		std::error_code problem;
		const fs::file_status status = fs::status(path, problem);
		if (status.type() == fs::file_type::not_found) continue;
		if (problem) {
			skip(path, problem.message());
		} else if (fs::is_regular_file(status)) {
			if (!fs::copy_file(path, to / path.filename(), problem)) skip(path, problem.message());
		} else if (fs::is_directory(status) && !fs::is_symlink(fs::symlink_status(path, problem))) {
			if (fs::create_directory(to / path.filename(), problem))
				CopyFolder(path, to / path.filename());
			else
				skip(path, problem.message());
		} else {
			skip(path, KindOf(status.type()));
		}
	}
}

} // namespace

Expected<std::unique_ptr<PrivateSettingsCopy>> PrivateSettingsCopy::Make(const std::string& from) {
	Expected<ScratchFolder> folder = ScratchFolder::Make("vuplay-settings");
	if (!folder)
		return Failure{"settings: cannot make a private copy for the headless run: " + folder.Error()};
	std::unique_ptr<PrivateSettingsCopy> copy(new PrivateSettingsCopy(std::move(*folder), from));
	std::error_code ignored;
	if (fs::exists(from, ignored)) CopyFolder(from, copy->Path());
	return copy;
}
