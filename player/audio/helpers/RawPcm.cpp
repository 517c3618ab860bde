#include "audio/helpers/RawPcm.h"

#include <sndfile.h>

#include <array>
#include <cstring>
#include <utility>

#include "host/SampleConversion.h"

namespace {

constexpr std::array<std::pair<const char*, RawPcm::Encoding>, 4> kEncodings{{
    {"s16le", RawPcm::Encoding::S16},
    {"s24le", RawPcm::Encoding::S24},
    {"s32le", RawPcm::Encoding::S32},
    {"f32le", RawPcm::Encoding::F32},
}};

uint32_t LittleEndian(const unsigned char* bytes, size_t count) {
	uint32_t value = 0;
	for (size_t i = count; i-- > 0;)
		value = value << 8 | bytes[i];
	return value;
}

} // namespace

std::string RawPcm::UnknownEncoding(const std::string& encoding) {
	for (const auto& [name, value] : kEncodings)
		if (encoding == name) return {};
	return "'" + encoding + "' is not a raw format the meters read: s16le, s24le, s32le or f32le";
}

Expected<RawPcm> RawPcm::Make(const std::string& encoding, int rate, int channels) {
	std::string why = UnknownEncoding(encoding);
	if (why.empty() && (rate < kMinRate || rate > kMaxRate))
		why = "--rate " + std::to_string(rate) +
		      " is not a sample rate the meters take: " + std::to_string(kMinRate) + " to " +
		      std::to_string(kMaxRate) + " Hz";
	if (why.empty() && (channels < 1 || channels > kMaxChannels))
		why = "--channels " + std::to_string(channels) + " is not 1 to " + std::to_string(kMaxChannels);
	if (!why.empty()) return Failure{why};
	for (const auto& [name, value] : kEncodings)
		if (encoding == name) return RawPcm(value, rate, channels);
	return Failure{UnknownEncoding(encoding)};
}

RawPcm::RawPcm(Encoding encoding, int rate, int channels)
    : encoding_(encoding), rate_(rate), channels_(channels),
      bytesPerSample_(encoding == Encoding::S16   ? 2
                      : encoding == Encoding::S24 ? 3
                                                  : 4) {}

int RawPcm::SndfileFormat() const {
	const int codec = encoding_ == Encoding::S16   ? SF_FORMAT_PCM_16
	                  : encoding_ == Encoding::S24 ? SF_FORMAT_PCM_24
	                  : encoding_ == Encoding::S32 ? SF_FORMAT_PCM_32
	                                               : SF_FORMAT_FLOAT;
	return SF_FORMAT_RAW | codec | SF_ENDIAN_LITTLE;
}

int16_t RawPcm::Sample(const unsigned char* bytes) const {
	// Scaled to full scale at the sample's own precision and rounded once, as
	// a file of the same samples is read, so that the same bytes from a FIFO
	// or a file meter alike to the last bit.
	switch (encoding_) {
	case Encoding::S16:
		return static_cast<int16_t>(LittleEndian(bytes, 2));
	case Encoding::S24: {
		const auto value = static_cast<int32_t>(LittleEndian(bytes, 3) << 8) >> 8; // sign-extended
		return ToInt16(value / 8388608.0);
	}
	case Encoding::S32:
		return ToInt16(static_cast<int32_t>(LittleEndian(bytes, 4)) / 2147483648.0);
	case Encoding::F32: {
		float value = 0;
		const uint32_t bits = LittleEndian(bytes, 4);
		std::memcpy(&value, &bits, sizeof value);
		return ToInt16(value);
	}
	}
	return 0;
}

void RawPcm::ToStereo(const unsigned char* bytes, size_t frames, int16_t* stereo) const {
	const size_t right = channels_ == 1 ? 0 : bytesPerSample_;
	for (size_t i = 0; i < frames; i++, bytes += FrameBytes()) {
		*stereo++ = Sample(bytes);
		*stereo++ = Sample(bytes + right);
	}
}
