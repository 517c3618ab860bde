#include "audio/helpers/RawPcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "audio/sources/AudioFileSource.h"
#include "player/TestFiles.h"

namespace {

// Bytes of `frames` frames in which every sample differs and the encoding's
// extremes occur: a ramp over the whole range, with the most negative value first.
std::vector<unsigned char> Samples(const RawPcm& format, const std::string& encoding, int frames) {
	const int count = frames * format.Channels();
	std::vector<unsigned char> bytes;
	for (int i = 0; i < count; i++) {
		const double position = -1.0 + 2.0 * i / (count - 1); // -1 .. 1
		if (encoding == "f32le") {
			const float value = static_cast<float>(1.25 * position); // beyond full scale too
			unsigned char raw[4];
			std::memcpy(raw, &value, 4);
			bytes.insert(bytes.end(), raw, raw + 4);
			continue;
		}
		const int width = encoding == "s16le" ? 2 : encoding == "s24le" ? 3 : 4;
		const double top = std::ldexp(1.0, 8 * width - 1);
		const auto value = static_cast<int64_t>(std::clamp(position * top, -top, top - 1));
		for (int b = 0; b < width; b++)
			bytes.push_back(static_cast<unsigned char>(static_cast<uint64_t>(value) >> (8 * b)));
	}
	return bytes;
}

} // namespace

// The FIFO reader converts on its own; files and standard input go through
// libsndfile. Both must give the same blocks for the same bytes.
TEST(RawPcm, ConvertsAsLibsndfileDoesForEveryFormatAndChannelCount) {
	TempDir dir;
	for (const std::string encoding : {"s16le", "s24le", "s32le", "f32le"})
		for (const int channels : {1, 2, 3}) {
			SCOPED_TRACE(encoding + " " + std::to_string(channels));
			const auto format = RawPcm::Make(encoding, 48000, channels);
			ASSERT_TRUE(format) << format.Error();
			const std::vector<unsigned char> bytes = Samples(*format, encoding, kBlockFrames);
			ASSERT_EQ(bytes.size(), kBlockFrames * format->FrameBytes());
			const std::string path = dir / "sound.raw";
			std::ofstream(path, std::ios::binary)
			    .write(reinterpret_cast<const char*>(bytes.data()),
			           static_cast<std::streamsize>(bytes.size()));

			AudioBlock converted{};
			format->ToStereo(bytes.data(), kBlockFrames, converted.data());
			auto opened = AudioFileSource::Open(path, {}, &*format);
			ASSERT_TRUE(opened) << opened.Error();
			auto& file = *opened;
			EXPECT_EQ(file->SampleRate(), 48000);
			AudioBlock decoded{};
			ASSERT_TRUE(file->NextBlock(decoded));
			EXPECT_EQ(converted, decoded);
			EXPECT_EQ(converted.front(), -32768); // the most negative sample
			if (channels < 3) {
				EXPECT_EQ(converted.back(), 32767); // the most positive, or beyond, clipped
			}
			if (channels == 1) {
				EXPECT_EQ(converted[0], converted[1]);
			}
		}
}
