#include "options/OutputClash.h"

#include <unistd.h>

#include "host/AddonLocator.h"
#include "host/FileClash.h"
#include "options/Options.h"

namespace {

// Whether --record writes one file (or standard output) rather than a folder of frames.
bool RecordsOneFile(const std::string& path) {
	return path == "-" || path.ends_with(".y4m") || path.ends_with(".png");
}

// The trace and a recording into one file.
std::vector<FileClash::Named> Outputs(const Options& options) {
	std::vector<FileClash::Named> outputs;
	if (!options.session.trace.empty())
		outputs.push_back({"--trace '" + options.session.trace + "'", options.session.trace});
	if (RecordsOneFile(options.session.record))
		outputs.push_back(
		    {"--record '" + options.session.record + "'", options.session.record, STDOUT_FILENO});
	return outputs;
}

} // namespace

std::string OutputClash::FindOverSettings(const Options& options,
                                          const std::vector<std::string>& settingsFiles) {
	return FileClash::FindOverSettings(Outputs(options), settingsFiles);
}

std::string OutputClash::Find(const Options& options) {
	const std::vector<FileClash::Named> outputs = Outputs(options);
	if (outputs.empty()) return {};

	std::vector<FileClash::Named> inputs;
	for (const std::string& file : options.files)
		inputs.push_back({"the input '" + file + "'", file, STDIN_FILENO});
	if (!options.session.events.empty())
		inputs.push_back({"--events '" + options.session.events + "'", options.session.events});
	const AddonLocator locator = AddonLocator::FromEnvironment();
	for (const std::string& name : options.session.addons)
		if (const auto path = locator.Find(name))
			inputs.push_back({"the add-on '" + path->string() + "'", path->string()});
	return FileClash::Find(outputs, inputs);
}
