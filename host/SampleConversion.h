// The one conversion of sound to the 16-bit stereo the add-ons take, for
// every program that hosts them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// `normalised` is full scale at [-1, 1]; rounded half away from zero, and
// saturated rather than wrapped, so that a full-scale value beyond it clips.
// NaN is silence. It runs for every sample played, so it rounds without
// branches on the value (noise would mispredict them) and without calling
// std::round, a library call on processors without SSE4.1.
inline int16_t ToInt16(double normalised) {
	if (std::isnan(normalised)) return 0;
	// Saturating before rounding gives the same, as the limits are whole.
	const double scaled = std::min(std::max(normalised * 32768.0, -32768.0), 32767.0);
	const auto whole = static_cast<int32_t>(scaled); // towards zero; the fraction left is exact
	const double fraction = scaled - whole;
	return static_cast<int16_t>(whole + (fraction >= 0.5) - (fraction <= -0.5));
}

// ToInt16 of `count` samples at once, the same value for each. In single
// precision, which loses nothing here: scaling a float by 2^15 and taking
// the fraction of a value below 2^15 are exact.
inline void ToInt16(const float* samples, size_t count, int16_t* out) {
	size_t i = 0;
#if defined(__SSE2__)
	const __m128 scale = _mm_set1_ps(32768.0f), lowest = _mm_set1_ps(-32768.0f),
	             highest = _mm_set1_ps(32767.0f);
	const __m128 half = _mm_set1_ps(0.5f), minusHalf = _mm_set1_ps(-0.5f);
	const auto four = [&](const float* from) {
		__m128 value = _mm_loadu_ps(from);
		value = _mm_and_ps(value, _mm_cmpord_ps(value, value)); // NaN is silence
		value = _mm_min_ps(_mm_max_ps(_mm_mul_ps(value, scale), lowest), highest);
		const __m128i whole = _mm_cvttps_epi32(value);
		const __m128 fraction = _mm_sub_ps(value, _mm_cvtepi32_ps(whole));
		// The comparisons give -1 where true.
		const __m128i up = _mm_castps_si128(_mm_cmpge_ps(fraction, half));
		const __m128i down = _mm_castps_si128(_mm_cmple_ps(fraction, minusHalf));
		return _mm_add_epi32(_mm_sub_epi32(whole, up), down);
	};
	for (; i + 8 <= count; i += 8)
		_mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
		                 _mm_packs_epi32(four(samples + i), four(samples + i + 4)));
#endif
	for (; i < count; i++)
		out[i] = ToInt16(samples[i]);
}

// The channels of a frame that become the meters' left and right.
struct ChannelPair {
	int left = 0;
	int right = 1;
};

// Mono on both sides; of more channels, the first two.
constexpr ChannelPair FirstTwoChannels(int channels) {
	return channels == 1 ? ChannelPair{0, 0} : ChannelPair{0, 1};
}

// `count` frames of `channels` interleaved samples (float or double) to
// `count` stereo frames, left first, each sample converted as ToInt16 does.
template <typename Sample>
inline void ToStereoInt16(const Sample* frames, int channels, ChannelPair pair, size_t count, int16_t* out) {
	if constexpr (std::is_same_v<Sample, float>)
		if (channels == 2 && pair.left == 0 && pair.right == 1) {
			ToInt16(frames, 2 * count, out);
			return;
		}
	for (size_t i = 0; i < count; i++) {
		const Sample* frame = frames + i * static_cast<size_t>(channels);
		out[2 * i] = ToInt16(frame[pair.left]);
		out[2 * i + 1] = ToInt16(frame[pair.right]);
	}
}
