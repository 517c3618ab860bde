// Headerless PCM: what --raw, --rate and --channels say the bytes are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/Expected.h"

// Little-endian interleaved samples in one of the encodings the common
// music servers and converters write. Of more than two channels the first two
// are metered, as in a WAVE file; mono goes to both sides.
//
// [any thread] A value, immutable once made.
class RawPcm {
public:
	enum class Encoding { S16, S24, S32, F32 };

	static constexpr int kMinRate = 8000;
	static constexpr int kMaxRate = 384000;
	static constexpr int kMaxChannels = 32;

	// Fails with one line when the meter cannot take it.
	static Expected<RawPcm> Make(const std::string& encoding, int rate, int channels);
	// Why `encoding` is not one of s16le, s24le, s32le, f32le; empty when it is.
	static std::string UnknownEncoding(const std::string& encoding);

	int Rate() const { return rate_; }
	int Channels() const { return channels_; }
	size_t FrameBytes() const { return bytesPerSample_ * static_cast<size_t>(channels_); }
	// The SF_FORMAT_* that makes libsndfile read the same bytes.
	int SndfileFormat() const;
	// Converts `frames` whole frames at `bytes` to interleaved 16-bit stereo at `stereo`.
	void ToStereo(const unsigned char* bytes, size_t frames, int16_t* stereo) const;

private:
	RawPcm(Encoding encoding, int rate, int channels);
	int16_t Sample(const unsigned char* bytes) const;

	Encoding encoding_;
	int rate_;
	int channels_;
	size_t bytesPerSample_;
};
