#include "core/Preferences.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <FindDirectory.h>

namespace {

constexpr int32 kDefaultGain = 100;
constexpr int32 kMinimumGain = 1;
constexpr int32 kMaximumGain = 1000;
constexpr BRect kDefaultFrame(50, 50, 100, 450);

void PutWord(uint8* bytes, uint32 word) {
	for (int i = 0; i < 4; ++i)
		bytes[i] = uint8(word >> (8 * i));
}

uint32 GetWord(const uint8* bytes) {
	return uint32(bytes[0]) | uint32(bytes[1]) << 8 | uint32(bytes[2]) << 16 | uint32(bytes[3]) << 24;
}

bool WriteAll(int fd, const uint8* bytes, size_t size) {
	while (size > 0) {
		ssize_t written = write(fd, bytes, size);
		if (written < 0) return false;
		bytes += written;
		size -= written;
	}
	return true;
}

} // namespace

Preferences::Preferences() { Init(); }

Preferences::~Preferences() { Write(); }

void Preferences::SetDefData() {
	frame = kDefaultFrame;
	gain = kDefaultGain;
}

void Preferences::Init() {
	SetDefData();

	// Reading over the encoded defaults keeps every byte a short file does not
	// reach, down to part of a field.
	uint8 record[kRecordSize];
	Encode(record);
	FILE* file = std::fopen(host_path(PrefsDataFile).c_str(), "rb");
	if (file != nullptr) {
		std::fread(record, 1, kRecordSize, file);
		std::fclose(file);
	}
	Decode(record);

	const int32 stored = gain;
	if (stored < kMinimumGain || stored > kMaximumGain) gain = kDefaultGain;
}

void Preferences::Encode(uint8 record[kRecordSize]) const {
	PutWord(record + 0, std::bit_cast<uint32>(frame.left));
	PutWord(record + 4, std::bit_cast<uint32>(frame.top));
	PutWord(record + 8, std::bit_cast<uint32>(frame.right));
	PutWord(record + 12, std::bit_cast<uint32>(frame.bottom));
	PutWord(record + 16, uint32(gain.load()));
}

void Preferences::Decode(const uint8 record[kRecordSize]) {
	frame.Set(std::bit_cast<float>(GetWord(record + 0)), std::bit_cast<float>(GetWord(record + 4)),
	          std::bit_cast<float>(GetWord(record + 8)), std::bit_cast<float>(GetWord(record + 12)));
	gain = int32(GetWord(record + 16));
}

// The record goes to a new file beside the old one, which is renamed over the
// old file only once it is complete and on disk: a crash or a full disk can
// no longer leave a truncated settings file behind.
void Preferences::Write() const {
	uint8 record[kRecordSize];
	Encode(record);

	const std::string path = host_path(PrefsDataFile);
	std::string temporary = path + ".XXXXXX";
	const int fd = mkstemp(temporary.data());
	if (fd < 0) return;

	bool written = WriteAll(fd, record, kRecordSize) && fsync(fd) == 0;
	written = close(fd) == 0 && written;
	if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}
