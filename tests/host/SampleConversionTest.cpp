#include "host/SampleConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

// The conversion written the plain way: std::round, then saturation.
int16_t Plain(double normalised) {
	if (std::isnan(normalised)) return 0;
	return static_cast<int16_t>(std::clamp(std::round(normalised * 32768.0), -32768.0, 32767.0));
}

} // namespace

// Both conversions round and saturate as std::round does: at every half step
// of the 16-bit range and on either side of it, beyond full scale, at the
// infinities, for NaN, and for random values, one sample at a time and in
// runs of any length and alignment.
TEST(SampleConversion, RoundsHalfAwayFromZeroAndSaturatesOneByOneAndInRuns) {
	std::vector<float> samples;
	for (int step = -70000; step <= 70000; step++) {
		const float value = static_cast<float>(step / 2.0 / 32768.0);
		samples.insert(samples.end(), {value, std::nextafter(value, 2.0f), std::nextafter(value, -2.0f)});
	}
	std::mt19937 random(7);
	std::uniform_real_distribution<float> anything(-1.5f, 1.5f);
	for (int i = 0; i < 100000; i++)
		samples.push_back(anything(random));
	const float infinity = std::numeric_limits<float>::infinity();
	samples.insert(samples.end(), {infinity, -infinity, std::nanf(""), 1e30f, -1e30f, -0.0f});

	for (const float sample : samples)
		ASSERT_EQ(ToInt16(sample), Plain(sample)) << sample;
	for (const size_t offset : {size_t{0}, size_t{3}}) {
		std::vector<int16_t> converted(samples.size() - offset);
		ToInt16(samples.data() + offset, converted.size(), converted.data());
		for (size_t i = 0; i < converted.size(); i++)
			ASSERT_EQ(converted[i], Plain(samples[offset + i])) << samples[offset + i];
	}
}

// Frames of any channel count become stereo frames: mono on both sides, the
// chosen pair of more channels, each sample converted as one alone is.
TEST(SampleConversion, FramesOfAnyChannelCountBecomeStereoFrames) {
	std::mt19937 random(11);
	std::uniform_real_distribution<float> anything(-1.2f, 1.2f);
	constexpr size_t kFrames = 37; // not a whole number of vector steps
	for (const int channels : {1, 2, 3, 6}) {
		std::vector<float> frames(kFrames * static_cast<size_t>(channels));
		for (float& sample : frames)
			sample = anything(random);
		for (const ChannelPair pair : {FirstTwoChannels(channels), ChannelPair{0, channels > 2 ? 2 : 0}}) {
			std::vector<int16_t> stereo(2 * kFrames, 12345);
			ToStereoInt16(frames.data(), channels, pair, kFrames, stereo.data());
			for (size_t i = 0; i < kFrames; i++) {
				const float* frame = frames.data() + i * static_cast<size_t>(channels);
				ASSERT_EQ(stereo[2 * i], Plain(frame[pair.left])) << channels << " channels, frame " << i;
				ASSERT_EQ(stereo[2 * i + 1], Plain(frame[pair.right]))
				    << channels << " channels, frame " << i;
			}
		}
	}
	EXPECT_EQ(FirstTwoChannels(1).right, 0);
	EXPECT_EQ(FirstTwoChannels(6).right, 1);
}
