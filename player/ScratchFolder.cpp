#include "ScratchFolder.h"

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

Expected<std::string> ScratchFolder::Make(const std::string& prefix) {
	const char* variable = std::getenv("TMPDIR");
	const std::string chosen = variable && *variable ? variable : kDefault;
	std::string why;
	if (std::string folder = MakeIn(chosen, prefix, why); !folder.empty()) return folder;
	if (chosen != kDefault) {
		static bool told = false;
		if (!told) Report("TMPDIR " + chosen + ": " + why + "; using " + kDefault + " instead");
		told = true;
		if (std::string folder = MakeIn(kDefault, prefix, why); !folder.empty()) return folder;
	}
	return Failure{std::string("cannot make a folder in ") + kDefault + ": " + why};
}
