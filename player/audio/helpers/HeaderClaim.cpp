#include "audio/helpers/HeaderClaim.h"

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// Formats with 32-bit sizes: programs that write them to a pipe claim 2 GiB
// or more for "unknown".
constexpr long long kUnknownLength = 0x7f000000;
// Chunks of W64 and RF64 are padded to 8 bytes.
constexpr long long kContainerPadding = 8;

struct Claim {
	const char* label;
	bool container; // the whole file's size rather than the sound's
	bool wideSizes; // 64-bit sizes, where no value stands for "unknown"
};

const Claim* ClaimOf(int format) {
	static constexpr Claim kWav{"data", false, false}, kAiff{"SSND", false, false},
	    kAu{"Data Size", false, false}, kW64{"riff", true, true}, kRf64{"Riff size", true, true};
	switch (format & SF_FORMAT_TYPEMASK) {
	case SF_FORMAT_WAV:
	case SF_FORMAT_WAVEX:
		return &kWav;
	case SF_FORMAT_AIFF:
		return &kAiff;
	case SF_FORMAT_AU:
		return &kAu;
	case SF_FORMAT_W64:
		return &kW64;
	case SF_FORMAT_RF64:
		return &kRf64;
	default:
		return nullptr;
	}
}

// Bytes a sample takes in the file; 0 for codecs without a fixed size.
int SampleBytes(int format) {
	switch (format & SF_FORMAT_SUBMASK) {
	case SF_FORMAT_PCM_S8:
	case SF_FORMAT_PCM_U8:
	case SF_FORMAT_ULAW:
	case SF_FORMAT_ALAW:
		return 1;
	case SF_FORMAT_PCM_16:
		return 2;
	case SF_FORMAT_PCM_24:
		return 3;
	case SF_FORMAT_PCM_32:
	case SF_FORMAT_FLOAT:
		return 4;
	case SF_FORMAT_DOUBLE:
		return 8;
	default:
		return 0;
	}
}

// "LABEL : CLAIMED (should be HELD)", leading blanks and those before the
// colon aside.
bool ReadClaim(std::string_view line, std::string_view label, long long& claimed, long long& held) {
	const size_t start = line.find_first_not_of(' ');
	if (start == std::string_view::npos || line.substr(start, label.size()) != label) return false;
	const size_t colon = line.find_first_not_of(' ', start + label.size());
	if (colon == std::string_view::npos || line[colon] != ':') return false;
	const std::string rest(line.substr(colon + 1));
	return std::sscanf(rest.c_str(), " %lld (should be %lld)", &claimed, &held) == 2;
}

} // namespace

bool HeaderClaim::ClaimsMore(sf_private_tag* file, int format, int channels, int64_t frames,
                             int64_t& stated) {
	stated = frames;
	const Claim* claim = ClaimOf(format);
	if (!claim) return false;
	std::string log(1 << 14, '\0');
	sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
	log.resize(std::strlen(log.c_str()));
	std::istringstream lines(log);
	long long claimed = 0, held = 0;
	bool found = false;
	for (std::string line; !found && std::getline(lines, line);)
		found = ReadClaim(line, claim->label, claimed, held) && held >= 0 &&
		        claimed - held >= (claim->container ? kContainerPadding : 1) &&
		        (claim->wideSizes || claimed < kUnknownLength);
	if (!found) return false;
	// The bytes missing hold whole frames but for the one cut in the middle.
	long long frameBytes = static_cast<long long>(SampleBytes(format)) * channels;
	if (frameBytes == 0 && !claim->container && frames > 0) frameBytes = held / frames;
	stated = frameBytes > 0 && frames >= 0 ? frames + (claimed - held + frameBytes - 1) / frameBytes : -1;
	return true;
}
