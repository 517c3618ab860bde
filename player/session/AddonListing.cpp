#include "session/AddonListing.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <FindDirectory.h>

#include "host/AddonLibrary.h"
#include "host/Printable.h"
#include "host/Report.h"
#include "host/ScratchFolder.h"

namespace {

// The add-ons' settings folder for as long as it lives, removed then.
class ScratchSettings {
public:
	explicit ScratchSettings(ScratchFolder folder) : folder_(std::move(folder)) {
		set_settings_directory(folder_.Path().c_str());
	}
	~ScratchSettings() { set_settings_directory(nullptr); }
	ScratchSettings(const ScratchSettings&) = delete;
	ScratchSettings& operator=(const ScratchSettings&) = delete;

private:
	ScratchFolder folder_;
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
		Expected<ScratchFolder> folder = ScratchFolder::Make("vuplay-list");
		// Without it the add-ons would read and write the user's settings.
		if (!folder) {
			Report("--list-plugins: " + folder.Error());
			return 1;
		}
		ScratchSettings scratch(std::move(*folder));
		for (const AddonLocator::Addon& addon : locator.All(&skipped)) {
			AddonLibrary library(addon.path.string());
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
