// Audio blocks to hand to Render: an ordinary signal and hostile ones.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/VisualizationPlugin.h"

using Block = std::array<int16, kBlockValues>;

struct NamedBlock {
	std::string name;
	Block samples;
};

namespace TestBlocks {

// A stereo tone whose loudness changes with `index`, so meters move.
Block Tone(int index);
// Silence, full scale, alternating extremes, DC, seeded noise, single spikes.
std::vector<NamedBlock> Hostile(std::mt19937& random);

} // namespace TestBlocks
