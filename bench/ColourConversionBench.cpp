// RGBA to 4:2:0 for one 200 x 400 frame, against copying the same bytes (the
// speed of memory) and against the plain per-pixel conversion. Bytes per
// second are RGBA bytes read.
#include "output/Yuv420Converter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 200, kHeight = 400;
constexpr size_t kStride = 4 * kWidth;

void Put(std::vector<uint8_t>& frame, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
	uint8_t* pixel = frame.data() + kStride * size_t(y) + 4 * size_t(x);
	pixel[0] = r;
	pixel[1] = g;
	pixel[2] = b;
	pixel[3] = 255;
}

// Two bars as the bar meter draws them: black above, green fading to black in
// bands of eight rows below, a green line on top, a column between them.
std::vector<uint8_t> MeterFrame() {
	std::vector<uint8_t> frame(kStride * kHeight);
	const int tops[2] = {120, 170};
	for (int y = 0; y < kHeight; y++)
		for (int x = 0; x < kWidth; x++) {
			const int bar = x < kWidth / 2 ? 0 : 1;
			const int top = tops[bar];
			const auto green = uint8_t(255 - (y - top) / 8 * 255 / (kHeight / 8));
			if (x == kWidth / 2 || y < top)
				Put(frame, x, y, 0, 0, 0);
			else
				Put(frame, x, y, 0, y == top ? 255 : green, 0);
		}
	return frame;
}

std::vector<uint8_t> NoiseFrame() {
	std::mt19937 random(3);
	std::vector<uint8_t> frame(kStride * kHeight);
	for (uint8_t& byte : frame)
		byte = uint8_t(random());
	return frame;
}

uint8_t Rounded(double value) { return uint8_t(std::lround(std::clamp(value, 0.0, 255.0))); }

// Every sample worked out on its own, as the formulas read.
void PlainConvert(const uint8_t* rgba, uint8_t* planes) {
	uint8_t* y = planes;
	for (int row = 0; row < kHeight; row++)
		for (int column = 0; column < kWidth; column++) {
			const uint8_t* p = rgba + kStride * row + 4 * column;
			*y++ = Rounded(16.0 + (65.481 * p[0] + 128.553 * p[1] + 24.966 * p[2]) / 255.0);
		}
	uint8_t* cb = y;
	uint8_t* cr = cb + kWidth / 2 * (kHeight / 2);
	for (int row = 0; row < kHeight; row += 2)
		for (int column = 0; column < kWidth; column += 2) {
			double sum[3] = {0, 0, 0};
			for (int dy = 0; dy < 2; dy++)
				for (int dx = 0; dx < 2; dx++)
					for (int c = 0; c < 3; c++)
						sum[c] += rgba[kStride * (row + dy) + 4 * (column + dx) + c];
			const double r = sum[0] / 4, g = sum[1] / 4, b = sum[2] / 4;
			*cb++ = Rounded(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
			*cr++ = Rounded(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
		}
}

void Convert(benchmark::State& state, std::vector<uint8_t> (*make)()) {
	const std::vector<uint8_t> frame = make();
	Yuv420Converter converter(kWidth, kHeight);
	std::vector<uint8_t> planes(converter.Size());
	for (auto _ : state) {
		converter.Convert(frame.data(), kStride, planes.data());
		benchmark::DoNotOptimize(planes.data());
	}
	state.SetBytesProcessed(state.iterations() * int64_t(frame.size()));
}

void Plain(benchmark::State& state, std::vector<uint8_t> (*make)()) {
	const std::vector<uint8_t> frame = make();
	std::vector<uint8_t> planes(size_t(kWidth) * kHeight * 3 / 2);
	for (auto _ : state) {
		PlainConvert(frame.data(), planes.data());
		benchmark::DoNotOptimize(planes.data());
	}
	state.SetBytesProcessed(state.iterations() * int64_t(frame.size()));
}

void Copy(benchmark::State& state) {
	const std::vector<uint8_t> frame = MeterFrame();
	std::vector<uint8_t> copy(frame.size());
	for (auto _ : state) {
		std::memcpy(copy.data(), frame.data(), frame.size());
		benchmark::DoNotOptimize(copy.data());
	}
	state.SetBytesProcessed(state.iterations() * int64_t(frame.size()));
}

} // namespace

BENCHMARK_CAPTURE(Convert, meter, MeterFrame);
BENCHMARK_CAPTURE(Plain, meter, MeterFrame);
BENCHMARK_CAPTURE(Convert, noise, NoiseFrame);
BENCHMARK_CAPTURE(Plain, noise, NoiseFrame);
BENCHMARK(Copy);
BENCHMARK_MAIN();
