// The add-on's settings file in the check's temporary settings folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <Rect.h>
#include <SupportDefs.h>

// [check thread] Every call.
class SettingsFolder {
public:
	explicit SettingsFolder(std::string folder) : folder_(std::move(folder)) {}

	const std::string& Folder() const { return folder_; }
	// The names of the files in the folder.
	std::vector<std::string> Entries() const;

	// The settings file's name, learnt from the first file the add-on wrote.
	void SetFileName(std::string name) { fileName_ = std::move(name); }
	std::string FilePath() const { return folder_ + "/" + fileName_; }

	// The whole file, or empty when it cannot be read.
	std::optional<std::vector<uint8_t>> Read() const;
	bool Write(const std::vector<uint8_t>& bytes) const;
	void Remove() const;

	// The 20-byte record: frame left, top, right, bottom, gain.
	static std::vector<uint8_t> Record(BRect frame, int32 gain);
	static int32 Gain(const std::vector<uint8_t>& record);
	static BRect Frame(const std::vector<uint8_t>& record);

private:
	std::string folder_;
	std::string fileName_;
};
