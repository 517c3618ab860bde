#include "host/AddonLocator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include <FindDirectory.h>

#include "host/DidYouMean.h"

namespace {

struct ShortName {
	const char* name;
	const char* file;
};
constexpr ShortName kShortNames[] = {{"corvel", "vis_Corvel_VU-Meter"}, {"kestle", "vis_Kestle_VU-Meter"}};

std::string FileFor(const std::string& name) {
	for (const ShortName& entry : kShortNames)
		if (name == entry.name) return entry.file;
	return name;
}

std::string NameFor(const std::string& file) {
	for (const ShortName& entry : kShortNames)
		if (file == entry.file) return entry.name;
	return file;
}

// A file that can be a library: notes, scripts and folders beside the add-ons
// are not taken for one.
bool IsLibrary(const std::filesystem::path& path) {
	std::error_code ec;
	if (!std::filesystem::is_regular_file(path, ec)) return false;
	char magic[4] = {};
	std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
	return std::memcmp(magic, "\177ELF", sizeof magic) == 0;
}

// The libraries in `folder`, by name; none when it cannot be read.
std::vector<std::filesystem::path> LibrariesIn(const std::filesystem::path& folder) {
	std::vector<std::filesystem::path> files;
	std::error_code ec;
	for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
		if (IsLibrary(it->path())) files.push_back(it->path());
	std::sort(files.begin(), files.end());
	return files;
}

std::string Joined(const std::vector<std::string>& items) {
	std::string text;
	for (const std::string& item : items)
		text += (text.empty() ? "" : ", ") + item;
	return text;
}

} // namespace

AddonLocator AddonLocator::FromEnvironment() {
	const char* addonPath = std::getenv("VUMETERS_ADDON_PATH");
	return For(addonPath ? addonPath : "", home_directory(), InstalledFolder());
}

std::filesystem::path AddonLocator::InstalledFolder() {
	std::error_code ec;
	const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
	if (ec) return {};
	return (program.parent_path() / VUMETERS_ADDONDIR_FROM_BINDIR).lexically_normal();
}

std::string AddonLocator::Rule() {
	const std::string installed = InstalledFolder().string();
	return "Add-on folders, searched in this order for a NAME, the first add-on of that name winning: each "
	       "folder of $VUMETERS_ADDON_PATH (colon-separated), ~/.local/lib/vu-meters/add-ons, and the folder "
	       "installed with the program (" +
	       (installed.empty() ? "unknown here" : installed) + ").";
}

AddonLocator AddonLocator::For(const std::string& addonPath, const std::filesystem::path& home,
                               const std::filesystem::path& installed) {
	std::vector<std::filesystem::path> folders;
	for (size_t start = 0; start <= addonPath.size();) {
		size_t end = addonPath.find(':', start);
		if (end == std::string::npos) end = addonPath.size();
		if (end > start) folders.emplace_back(addonPath.substr(start, end - start));
		start = end + 1;
	}
	if (!home.empty()) folders.push_back(home / ".local/lib/vu-meters/add-ons");
	if (!installed.empty()) folders.push_back(installed);
	return AddonLocator(std::move(folders));
}

std::optional<std::filesystem::path> AddonLocator::Find(const std::string& name) const {
	if (name.find('/') != std::string::npos) return std::filesystem::path(name);
	if (name.empty()) return std::nullopt;
	const std::string file = FileFor(name);
	for (const auto& folder : folders_)
		if (IsLibrary(folder / file)) return folder / file;
	return std::nullopt;
}

std::vector<AddonLocator::Addon> AddonLocator::All() const {
	std::vector<Addon> addons;
	std::set<std::string> seen;
	for (const auto& folder : folders_)
		for (const auto& path : LibrariesIn(folder)) {
			const std::string name = NameFor(path.filename().string());
			if (seen.insert(name).second) addons.push_back({name, path});
		}
	return addons;
}

std::string AddonLocator::Unknown(const std::string& name) const {
	std::vector<std::string> names;
	for (const Addon& addon : All())
		names.push_back(addon.name);
	if (names.empty()) return "unknown add-on '" + name + "': " + NoneFound();
	const std::string suggestion = DidYouMean(name, names);
	return "unknown add-on '" + name + "': " + (suggestion.empty() ? "the" : suggestion + " The") +
	       " add-ons there are " + Joined(names);
}

std::string AddonLocator::NoneFound() const {
	std::vector<std::string> folders;
	for (const auto& folder : folders_)
		folders.push_back(folder.string());
	return "no add-ons in " + Joined(folders);
}
