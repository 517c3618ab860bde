#include "display/MeasureLevels.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr uint32 kMaximumLevel = 0xFFFF;

// |a − b| always fits in 16 bits unsigned, so it can be taken in 16-bit lanes
// as max − min, wrapping, before it is widened.
inline uint32 AbsoluteDifference(int16 a, int16 b) {
	const int16 high = a > b ? a : b;
	const int16 low = a < b ? a : b;
	return uint16(high - low);
}

// Adds the differences of the frames from value `from` to `values` to `sums`;
// each value is compared with the one a frame (two values) before it.
void AddRemaining(const int16* pcm, int32 from, int32 values, DifferenceSums& sums) {
	for (int32 i = from; i < values; i += 2) {
		sums.left += AbsoluteDifference(pcm[i], pcm[i - 2]);
		sums.right += AbsoluteDifference(pcm[i + 1], pcm[i - 1]);
	}
}

DifferenceSums FirstFrame(const int16* pcm) {
	return {AbsoluteDifference(pcm[0], 0), AbsoluteDifference(pcm[1], 0)};
}

#if defined(__x86_64__)

// In the vector routines each 32-bit lane holds one frame: the left value in
// its low half, the right one in its high half (little-endian). The 16-bit
// differences are split into a left and a right 32-bit accumulator, which
// cannot overflow: a lane sees at most a quarter of a block's frames.

DifferenceSums SumSse2(const int16* pcm, int32 values) {
	DifferenceSums sums = FirstFrame(pcm);
	const __m128i low = _mm_set1_epi32(0xFFFF);
	__m128i left = _mm_setzero_si128();
	__m128i right = _mm_setzero_si128();
	int32 i = 2;
	for (; i + 8 <= values; i += 8) {
		const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pcm + i));
		const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pcm + i - 2));
		const __m128i difference = _mm_sub_epi16(_mm_max_epi16(now, before), _mm_min_epi16(now, before));
		left = _mm_add_epi32(left, _mm_and_si128(difference, low));
		right = _mm_add_epi32(right, _mm_srli_epi32(difference, 16));
	}
	alignas(16) uint32 lanes[2][4];
	_mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), left);
	_mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), right);
	for (int lane = 0; lane < 4; lane++) {
		sums.left += lanes[0][lane];
		sums.right += lanes[1][lane];
	}
	AddRemaining(pcm, i, values, sums);
	return sums;
}

__attribute__((target("avx2"))) DifferenceSums SumAvx2(const int16* pcm, int32 values) {
	DifferenceSums sums = FirstFrame(pcm);
	const __m256i low = _mm256_set1_epi32(0xFFFF);
	__m256i left = _mm256_setzero_si256();
	__m256i right = _mm256_setzero_si256();
	int32 i = 2;
	for (; i + 16 <= values; i += 16) {
		const __m256i now = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pcm + i));
		const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pcm + i - 2));
		const __m256i difference =
		    _mm256_sub_epi16(_mm256_max_epi16(now, before), _mm256_min_epi16(now, before));
		left = _mm256_add_epi32(left, _mm256_and_si256(difference, low));
		right = _mm256_add_epi32(right, _mm256_srli_epi32(difference, 16));
	}
	alignas(32) uint32 lanes[2][8];
	_mm256_store_si256(reinterpret_cast<__m256i*>(lanes[0]), left);
	_mm256_store_si256(reinterpret_cast<__m256i*>(lanes[1]), right);
	for (int lane = 0; lane < 8; lane++) {
		sums.left += lanes[0][lane];
		sums.right += lanes[1][lane];
	}
	AddRemaining(pcm, i, values, sums);
	return sums;
}

#endif

DifferenceSums SumPortable(const int16* pcm, int32 values) {
	DifferenceSums sums = FirstFrame(pcm);
	AddRemaining(pcm, 2, values, sums);
	return sums;
}

SumRoutine Fastest() {
	if (Supports(SumRoutine::Avx2)) return SumRoutine::Avx2;
	if (Supports(SumRoutine::Sse2)) return SumRoutine::Sse2;
	return SumRoutine::Portable;
}

const SumRoutine kFastest = Fastest();

} // namespace

bool Supports(SumRoutine routine) {
	switch (routine) {
	case SumRoutine::Portable:
		return true;
#if defined(__x86_64__)
	case SumRoutine::Sse2:
		return true;
	case SumRoutine::Avx2:
		// Also asked while libraries load, perhaps before the runtime's own
		// processor check has run.
		__builtin_cpu_init();
		return __builtin_cpu_supports("avx2");
#else
	case SumRoutine::Sse2:
	case SumRoutine::Avx2:
		return false;
#endif
	}
	return false;
}

DifferenceSums SumDifferences(const int16* pcm, int32 values, SumRoutine routine) {
	if (values < 2) return {0, 0};
#if defined(__x86_64__)
	if (routine == SumRoutine::Avx2) return SumAvx2(pcm, values);
	if (routine == SumRoutine::Sse2) return SumSse2(pcm, values);
#endif
	return SumPortable(pcm, values);
}

int32 GainDivisor(int32 gain, int32 gain_factor) { return gain * gain_factor / 100 + 1; }

int32 BlockDivisor(int32 count, int32 gain_divisor) {
	if (gain_divisor < 1 || count < gain_divisor) return 1;
	return count / gain_divisor;
}

ChannelLevels MeasureLevels(const int16* pcm, int32 count, int32 gain, int32 gain_factor) {
	const DifferenceSums sums = SumDifferences(pcm, count > 0 ? count & ~1 : 0, kFastest);
	const uint32 divisor = BlockDivisor(count, GainDivisor(gain, gain_factor));
	return {std::min(sums.left / divisor, kMaximumLevel), std::min(sums.right / divisor, kMaximumLevel)};
}
