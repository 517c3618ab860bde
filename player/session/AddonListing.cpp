#include "session/AddonListing.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <FindDirectory.h>

#include "ScratchFolder.h"
#include "host/AddonCrashWatch.h"
#include "host/AddonLibrary.h"
#include "host/Printable.h"
#include "host/Report.h"

namespace {

// A settings folder of its own for as long as it lives; check Made().
class ScratchSettings {
public:
	explicit ScratchSettings(std::string& error) : folder_(ScratchFolder::Make("vuplay-list", error)) {
		if (!folder_.empty()) set_settings_directory(folder_.c_str());
	}
	~ScratchSettings() {
		if (folder_.empty()) return;
		set_settings_directory(nullptr);
		std::error_code ignored;
		std::filesystem::remove_all(folder_, ignored);
	}
	ScratchSettings(const ScratchSettings&) = delete;
	ScratchSettings& operator=(const ScratchSettings&) = delete;

	bool Made() const { return !folder_.empty(); }

private:
	std::string folder_;
};

struct Row {
	std::string name;
	std::string longName;
	std::string path;
};

} // namespace

int AddonListing::Print(const AddonLocator& locator, std::FILE* out, bool verbose) {
	std::vector<Row> rows;
	std::vector<std::string> skipped;
	{
		std::string error;
		ScratchSettings scratch(error);
		// Without it the add-ons would read and write the user's settings.
		if (!scratch.Made()) {
			Report("--list-plugins: " + error);
			return 1;
		}
		// A crash in an add-on's own code while it loads or unloads is one line naming it.
		AddonCrashWatch crashWatch;
		for (const AddonLocator::Addon& addon : locator.All(&skipped)) {
			AddonLibrary library(addon.path.string(), &crashWatch);
			const VisualizationPlugin* plugin = library.NewPlugin();
			if (!plugin) {
				Report(library.Error());
				continue;
			}
			const char* longName = plugin->long_name;
			rows.push_back({addon.name, longName ? longName : "", addon.path.string()});
		}
	}
	if (rows.empty()) {
		Report(locator.NoneFound());
		return 1;
	}
	size_t nameWidth = 0, longNameWidth = 0;
	for (const Row& row : rows) {
		nameWidth = std::max(nameWidth, row.name.size());
		longNameWidth = std::max(longNameWidth, row.longName.size());
	}
	for (const Row& row : rows)
		std::fprintf(out, "%-*s  %-*s  %s\n", static_cast<int>(nameWidth), row.name.c_str(),
		             static_cast<int>(longNameWidth), Printable(row.longName).c_str(),
		             Printable(row.path).c_str());
	if (verbose)
		for (const std::string& line : skipped)
			std::fprintf(out, "skipped: %s\n", Printable(line).c_str());
	return 0;
}
