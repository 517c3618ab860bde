#include "options/OutputClash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "host/AddonLocator.h"
#include "options/Options.h"

namespace {

// A file as the run names it, and what it is on the disk.
struct Named {
	std::string what;                            // "--trace 'x'", "the input 'y'"
	std::optional<std::pair<dev_t, ino_t>> file; // a regular file that exists
	std::string resolved;                        // the path, links resolved, of one that does not
};

Named Look(const std::string& what, const std::string& path, int standard) {
	Named named{what, std::nullopt, {}};
	struct stat status {};
	const int found = path == "-" ? ::fstat(standard, &status) : ::stat(path.c_str(), &status);
	if (found == 0) {
		if (S_ISREG(status.st_mode)) named.file = {status.st_dev, status.st_ino};
		return named;
	}
	std::error_code ignored;
	if (path != "-") named.resolved = std::filesystem::weakly_canonical(path, ignored).string();
	return named;
}

bool Same(const Named& a, const Named& b) {
	if (a.file || b.file) return a.file && a.file == b.file;
	return !a.resolved.empty() && a.resolved == b.resolved;
}

// Whether --record writes one file (or standard output) rather than a folder of frames.
bool RecordsOneFile(const std::string& path) {
	return path == "-" || path.ends_with(".y4m") || path.ends_with(".png");
}

// The trace and a recording into one file.
std::vector<Named> Outputs(const Options& options) {
	std::vector<Named> outputs;
	if (!options.trace.empty()) outputs.push_back(Look("--trace '" + options.trace + "'", options.trace, -1));
	if (RecordsOneFile(options.record))
		outputs.push_back(Look("--record '" + options.record + "'", options.record, STDOUT_FILENO));
	return outputs;
}

} // namespace

std::string OutputClash::FindOverSettings(const Options& options,
                                          const std::vector<std::string>& settingsFiles) {
	for (const Named& output : Outputs(options))
		for (const std::string& file : settingsFiles)
			if (Same(output, Look({}, file, -1)))
				return output.what + " would write over the add-on settings file '" + file + "'";
	return {};
}

std::string OutputClash::Find(const Options& options) {
	const std::vector<Named> outputs = Outputs(options);
	if (outputs.empty()) return {};

	std::vector<Named> inputs;
	for (const std::string& file : options.files)
		inputs.push_back(Look("the input '" + file + "'", file, STDIN_FILENO));
	if (!options.events.empty())
		inputs.push_back(Look("--events '" + options.events + "'", options.events, -1));
	const AddonLocator locator = AddonLocator::FromEnvironment();
	for (const std::string& name : options.plugins)
		if (const auto path = locator.Find(name))
			inputs.push_back(Look("the add-on '" + path->string() + "'", path->string(), -1));

	for (const Named& output : outputs)
		for (const Named& input : inputs)
			if (output.file && Same(output, input))
				return output.what + " would write over " + input.what + ", the same file";
	if (outputs.size() == 2 && Same(outputs[0], outputs[1]))
		return outputs[0].what + " and " + outputs[1].what + " would write the same file; give each its own";
	return {};
}
