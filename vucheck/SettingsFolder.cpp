#include "SettingsFolder.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

std::vector<std::string> SettingsFolder::Entries() const {
	std::vector<std::string> names;
	std::error_code ignored;
	for (const auto& entry : std::filesystem::directory_iterator(folder_, ignored))
		names.push_back(entry.path().filename().string());
	return names;
}

std::optional<std::vector<uint8_t>> SettingsFolder::Read() const {
	std::ifstream file(FilePath(), std::ios::binary);
	if (!file) return std::nullopt;
	return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool SettingsFolder::Write(const std::vector<uint8_t>& bytes) const {
	std::ofstream file(FilePath(), std::ios::binary | std::ios::trunc);
	file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
	return bool(file.flush());
}

void SettingsFolder::Remove() const {
	std::error_code ignored;
	std::filesystem::remove_all(FilePath(), ignored);
}

std::vector<uint8_t> SettingsFolder::Record(BRect frame, int32 gain) {
	const float fields[] = {frame.left, frame.top, frame.right, frame.bottom};
	std::vector<uint8_t> record(20);
	std::memcpy(record.data(), fields, sizeof fields);
	std::memcpy(record.data() + 16, &gain, sizeof gain);
	return record;
}

int32 SettingsFolder::Gain(const std::vector<uint8_t>& record) {
	int32 gain = 0;
	std::memcpy(&gain, record.data() + 16, sizeof gain);
	return gain;
}

BRect SettingsFolder::Frame(const std::vector<uint8_t>& record) {
	float fields[4];
	std::memcpy(fields, record.data(), sizeof fields);
	return BRect(fields[0], fields[1], fields[2], fields[3]);
}
