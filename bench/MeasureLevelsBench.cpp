// The level measurement against the plain frame-by-frame loop, on one block
// of the size the player hands over. Time per iteration is time per block.
#include "display/MeasureLevels.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

#include "support/MeasureLevelsReference.h"

namespace {

constexpr int32 kBlock = 1024;

std::vector<int16> NoiseBlock() {
	std::mt19937 random(1);
	std::uniform_int_distribution<int> value(-32768, 32767);
	std::vector<int16> block(kBlock);
	for (int16& sample : block)
		sample = int16(value(random));
	return block;
}

template <ChannelLevels (*Function)(const int16*, int32, int32, int32)>
void Measure(benchmark::State& state) {
	const std::vector<int16> block = NoiseBlock();
	for (auto _ : state) {
		benchmark::DoNotOptimize(block.data());
		benchmark::DoNotOptimize(Function(block.data(), kBlock, 100, 26));
	}
	state.SetBytesProcessed(state.iterations() * kBlock * int64(sizeof(int16)));
}

// The sums alone by one routine, to show what each instruction set gives.
void Sum(benchmark::State& state, SumRoutine routine) {
	if (!Supports(routine)) {
		state.SkipWithError("not supported by this processor");
		return;
	}
	const std::vector<int16> block = NoiseBlock();
	for (auto _ : state) {
		benchmark::DoNotOptimize(block.data());
		benchmark::DoNotOptimize(SumDifferences(block.data(), kBlock, routine));
	}
	state.SetBytesProcessed(state.iterations() * kBlock * int64(sizeof(int16)));
}

BENCHMARK(Measure<MeasureLevels>)->Name("MeasureLevels");
BENCHMARK(Measure<MeasureLevelsReference>)->Name("MeasureLevelsReference");
BENCHMARK_CAPTURE(Sum, Avx2, SumRoutine::Avx2)->Name("SumDifferences/AVX2");
BENCHMARK_CAPTURE(Sum, Sse2, SumRoutine::Sse2)->Name("SumDifferences/SSE2");
BENCHMARK_CAPTURE(Sum, Portable, SumRoutine::Portable)->Name("SumDifferences/portable");

} // namespace

BENCHMARK_MAIN();
