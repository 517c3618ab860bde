#include "host/AddonLocator.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include <elf.h>
#include <link.h>

#include <FindDirectory.h>

#include "host/AddonLibrary.h"
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

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#else
constexpr int kMachine = EM_NONE; // not checked
#endif

// Why `path` cannot be loaded here as a library, empty when it can be: a
// regular file with the ELF header of a shared library for this machine.
// Notes, scripts, folders and files that only start like a library are not
// taken for one.
std::string NotALibrary(const std::filesystem::path& path) {
	if (std::string why = AddonLibrary::NotARegularFile(path.string()); !why.empty()) return why;
	ElfW(Ehdr) header{};
	std::ifstream file(path, std::ios::binary);
	file.read(reinterpret_cast<char*>(&header), sizeof header);
	if (!file || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "not a library";
	constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
	constexpr unsigned char kData = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
	if (header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kData ||
	    header.e_ident[EI_VERSION] != EV_CURRENT || header.e_type != ET_DYN ||
	    (kMachine != EM_NONE && header.e_machine != kMachine))
		return "not a shared library for this machine";
	return {};
}

bool IsLibrary(const std::filesystem::path& path) { return NotALibrary(path).empty(); }

// The files in `folder`, by name; none when it cannot be read.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
	std::vector<std::filesystem::path> files;
	std::error_code ec;
	for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
		files.push_back(it->path());
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

AddonLocator AddonLocator::FromEnvironment(const std::filesystem::path& installed) {
	const char* addonPath = std::getenv("VUMETERS_ADDON_PATH");
	return For(addonPath ? addonPath : "", home_directory(), installed);
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

std::vector<AddonLocator::Addon> AddonLocator::All(std::vector<std::string>* skipped) const {
	std::vector<Addon> addons;
	std::map<std::string, std::filesystem::path> found;
	const auto skip = [skipped](const std::filesystem::path& path, const std::string& why) {
		if (skipped) skipped->push_back(path.string() + ": " + why);
	};
	for (const auto& folder : folders_)
		for (const auto& path : FilesIn(folder)) {
			const std::string file = path.filename().string();
			const std::string name = NameFor(file);
			// The rule of Find(): a name stands for one file name.
			if (FileFor(name) != file) {
				skip(path, "the name " + name + " stands for " + FileFor(name) + "; give the path to run it");
			} else if (const std::string why = NotALibrary(path); !why.empty()) {
				skip(path, why);
			} else if (const auto first = found.find(name); first != found.end()) {
				skip(path, name + " is " + first->second.string() + ", found first");
			} else {
				found.emplace(name, path);
				addons.push_back({name, path});
			}
		}
	return addons;
}

std::string AddonLocator::Unknown(const std::string& name) const {
	std::vector<std::string> names;
	for (const Addon& addon : All())
		names.push_back(addon.name);
	// A file of the name that is none is more likely what went wrong than a misspelling.
	const std::string file = FileFor(name);
	for (const auto& folder : folders_) {
		std::error_code ec;
		if (name.empty() || name.find('/') != std::string::npos ||
		    !std::filesystem::exists(std::filesystem::symlink_status(folder / file, ec)))
			continue;
		return "add-on '" + name + "': the folder " + folder.string() + " holds " + file +
		       ", which is not an add-on: " + NotALibrary(folder / file) + "; " +
		       (names.empty() ? NoneFound() : "the add-ons there are " + Joined(names));
	}
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
