#include "TestBlocks.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr int16 kMax = std::numeric_limits<int16>::max();
constexpr int16 kMin = std::numeric_limits<int16>::min();

template <typename Value> NamedBlock Make(std::string name, Value value) {
	NamedBlock block{std::move(name), {}};
	for (int i = 0; i < kBlockValues; ++i)
		block.samples[size_t(i)] = value(i);
	return block;
}

} // namespace

Block TestBlocks::Tone(int index) {
	const double loudness = 0.5 + 0.5 * std::sin(index * 0.1);
	Block block{};
	for (int i = 0; i < kBlockValues; i += 2) {
		const double wave = std::sin(2 * std::numbers::pi * (i / 2) / 32.0);
		block[size_t(i)] = int16(kMax * loudness * wave);
		block[size_t(i) + 1] = int16(kMax * (1 - loudness) * wave);
	}
	return block;
}

std::vector<NamedBlock> TestBlocks::Hostile(std::mt19937& random) {
	std::uniform_int_distribution<int> anySample(kMin, kMax);
	std::vector<NamedBlock> blocks;
	blocks.push_back(Make("silence", [](int) { return int16(0); }));
	blocks.push_back(Make("full scale positive", [](int) { return kMax; }));
	blocks.push_back(Make("full scale negative", [](int) { return kMin; }));
	blocks.push_back(Make("alternating extremes", [](int i) { return (i / 2) % 2 ? kMin : kMax; }));
	blocks.push_back(Make("left and right opposite extremes", [](int i) { return i % 2 ? kMin : kMax; }));
	blocks.push_back(Make("DC", [](int) { return int16(12345); }));
	blocks.push_back(Make("negative DC", [](int) { return int16(-1); }));
	blocks.push_back(Make("random noise", [&](int) { return int16(anySample(random)); }));
	blocks.push_back(Make("spike at the start", [](int i) { return i == 0 ? kMin : int16(0); }));
	blocks.push_back(Make("spike at the end", [](int i) { return i == kBlockValues - 1 ? kMax : int16(0); }));
	blocks.push_back(
	    Make("spike in the middle", [](int i) { return i == kBlockValues / 2 + 1 ? kMin : int16(0); }));
	return blocks;
}
