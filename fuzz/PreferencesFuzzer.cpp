// Feeds the input as the settings file's content to a Preferences instance
// and checks what it makes of it and what it writes back.
#include "core/Preferences.h"

#include <FindDirectory.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Require.h"

constinit const char* const Preferences::PrefsDataFile =
    "/boot/home/config/settings/VU-Meter_Fuzz.preferences";

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path sFolder;

fs::path File() { return sFolder / "VU-Meter_Fuzz.preferences"; }

void WriteFile(const uint8_t* data, size_t size) {
	std::ofstream out(File(), std::ios::binary | std::ios::trunc);
	out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

Bytes ReadFile() {
	std::ifstream in(File(), std::ios::binary);
	return Bytes(std::istreambuf_iterator<char>(in), {});
}

void RemoveFolder() {
	set_settings_directory(nullptr);
	std::error_code ignored;
	fs::remove_all(sFolder, ignored);
}

// Loads the file present now, checks the gain, and returns what the instance
// writes back when it goes.
Bytes LoadAndStore() {
	{
		Preferences prefs;
		const int32 gain = prefs.gain;
		Require(gain >= 1 && gain <= 1000, "the gain read from any file is 1 to 1000");
	}
	return ReadFile();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
	std::string pattern = (fs::temp_directory_path() / "prefs-fuzz-XXXXXX").string();
	Require(mkdtemp(pattern.data()) != nullptr, "a temporary settings folder can be made");
	sFolder = pattern;
	set_settings_directory(sFolder.c_str());
	std::atexit(RemoveFolder);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
	WriteFile(data, size);
	const Bytes written = LoadAndStore();
	Require(written.size() == 20, "the settings file written back is one 20-byte record");

	// The frame's bytes the file held are kept bit for bit, and a whole record
	// with a valid gain comes back unchanged.
	const size_t frameBytes = std::min<size_t>(size, 16);
	Require(std::equal(data, data + frameBytes, written.begin()), "the frame read is the frame written back");
	if (size >= 20) {
		const int32_t gain = int32_t(uint32_t(data[16]) | uint32_t(data[17]) << 8 | uint32_t(data[18]) << 16 |
		                             uint32_t(data[19]) << 24);
		if (gain >= 1 && gain <= 1000)
			Require(std::equal(data, data + 20, written.begin()), "a valid record is written back unchanged");
	}

	// What was written back reads back to the same record.
	Require(LoadAndStore() == written, "a written record survives another load and store");
	return 0;
}
