// Scratch folders and sound files for the player's tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <sndfile.h>

#include "support/TempDir.h"

// Sets an environment variable, or unsets it for null, for as long as it lives.
class ScopedVariable {
public:
	ScopedVariable(const char* name, const char* value) : name_(name) {
		if (const char* old = std::getenv(name)) old_ = old;
		value ? setenv(name, value, 1) : unsetenv(name);
	}
	~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
	ScopedVariable(const ScopedVariable&) = delete;
	ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
	const char* name_;
	std::optional<std::string> old_;
};

inline bool HaveTool(const std::string& tool) {
	return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The whole file, or what could be read of it: empty when it cannot be opened.
inline std::string ReadFile(const std::string& path) {
	std::ifstream file(path, std::ios::binary);
	return {std::istreambuf_iterator<char>(file), {}};
}

// Runs a shell command quietly; true when it succeeded.
inline bool RunQuietly(const std::string& command) {
	return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Writes interleaved `samples` as they are, through libsndfile: 16-bit or
// 32-bit values for integer formats, floating-point values for float formats.
template <typename Sample>
bool WriteSound(const std::string& path, int format, int channels, int rate,
                const std::vector<Sample>& samples) {
	SF_INFO info{};
	info.channels = channels;
	info.samplerate = rate;
	info.format = format;
	SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
	if (!file) return false;
	const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
	sf_count_t written = 0;
	if constexpr (std::is_same_v<Sample, short>)
		written = sf_writef_short(file, samples.data(), frames);
	else if constexpr (std::is_same_v<Sample, int>)
		written = sf_writef_int(file, samples.data(), frames);
	else if constexpr (std::is_same_v<Sample, double>)
		written = sf_writef_double(file, samples.data(), frames);
	else
		written = sf_writef_float(file, samples.data(), frames);
	sf_close(file);
	return written == frames;
}
