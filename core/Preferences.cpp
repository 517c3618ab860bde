#include "core/Preferences.h"

#include <bit>

#include <SettingsFile.h>

namespace {

constexpr int32 kDefaultGain = 100;
constexpr int32 kMinimumGain = 1;
constexpr int32 kMaximumGain = 1000;

void PutWord(uint8* bytes, uint32 word) {
	for (int i = 0; i < 4; ++i)
		bytes[i] = uint8(word >> (8 * i));
}

uint32 GetWord(const uint8* bytes) {
	return uint32(bytes[0]) | uint32(bytes[1]) << 8 | uint32(bytes[2]) << 16 | uint32(bytes[3]) << 24;
}

} // namespace

Preferences::Preferences() { Init(); }

Preferences::~Preferences() { Write(); }

void Preferences::SetDefData() {
	frame = DefaultFrame;
	gain = kDefaultGain;
}

void Preferences::Init() {
	SetDefData();

	// Reading over the encoded defaults keeps every byte a short file does not
	// reach, down to part of a field.
	uint8 record[kRecordSize];
	Encode(record);
	read_settings_file(PrefsDataFile, record, kRecordSize);
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

// Failures are silent: the player goes on without the settings.
void Preferences::Write() const {
	uint8 record[kRecordSize];
	Encode(record);
	write_settings_file(PrefsDataFile, record, kRecordSize);
}
