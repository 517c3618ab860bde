#include "host/FileClash.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>

namespace FileClash {

namespace {

// A file as a program names it, and what it is on the disk.
struct Looked {
	const Named* named;
	std::optional<std::pair<dev_t, ino_t>> file; // a regular file that exists
	std::string resolved;                        // the path, links resolved, of one that does not
};

Looked Look(const Named& named) {
	Looked looked{&named, std::nullopt, {}};
	struct stat status {};
	const int found =
	    named.path == "-" ? ::fstat(named.standard, &status) : ::stat(named.path.c_str(), &status);
	if (found == 0) {
		if (S_ISREG(status.st_mode)) looked.file = {status.st_dev, status.st_ino};
		return looked;
	}
	std::error_code ignored;
	if (named.path != "-") looked.resolved = std::filesystem::weakly_canonical(named.path, ignored).string();
	return looked;
}

bool Same(const Looked& a, const Looked& b) {
	if (a.file || b.file) return a.file && a.file == b.file;
	return !a.resolved.empty() && a.resolved == b.resolved;
}

std::vector<Looked> LookAll(const std::vector<Named>& files) {
	std::vector<Looked> looked;
	for (const Named& file : files)
		looked.push_back(Look(file));
	return looked;
}

} // namespace

std::string Find(const std::vector<Named>& outputs, const std::vector<Named>& inputs) {
	const std::vector<Looked> written = LookAll(outputs), read = LookAll(inputs);
	for (const Looked& output : written)
		for (const Looked& input : read)
			if (output.file && Same(output, input))
				return output.named->what + " would write over " + input.named->what + ", the same file";
	for (size_t i = 0; i < written.size(); i++)
		for (size_t j = i + 1; j < written.size(); j++)
			if (Same(written[i], written[j]))
				return written[i].named->what + " and " + written[j].named->what +
				       " would write the same file; give each its own";
	return {};
}

std::string FindOverWritten(const std::vector<Named>& outputs, const std::vector<Named>& written) {
	const std::vector<Looked> own = LookAll(written);
	for (const Looked& output : LookAll(outputs))
		for (const Looked& file : own)
			if (Same(output, file)) return output.named->what + " would write over " + file.named->what;
	return {};
}

std::string FindOverSettings(const std::vector<Named>& outputs,
                             const std::vector<std::string>& settingsFiles) {
	std::vector<Named> written;
	for (const std::string& file : settingsFiles)
		written.push_back({"the add-on settings file '" + file + "'", file});
	return FindOverWritten(outputs, written);
}

} // namespace FileClash
