// A fixed audio programme for the whole-run picture tests: silence, full
// scale long enough to carry the bars past the top edge, steady tones at
// different levels left and right, decaying tones, one loud channel against a
// silent one, and silence again for the meters to come back to rest.
#pragma once

#include <cmath>
#include <set>
#include <vector>

#include "meters/PcmBlocks.h"

inline std::vector<Block> GoldenProgram() {
	std::vector<Block> blocks;
	for (int i = 0; i < 6; ++i)
		blocks.push_back(Silence());
	for (int i = 0; i < 120; ++i)
		blocks.push_back(FullScale());
	for (int i = 0; i < 40; ++i)
		blocks.push_back(Tones(16000, 7000, 40, i));
	for (int i = 0; i < 40; ++i)
		blocks.push_back(Tones(20000 * std::pow(0.9, i), 12000 * std::pow(0.85, i), 23, i));
	for (int i = 0; i < 20; ++i) {
		Block block = FullScale();
		for (int32 value = 1; value < kBlockValues; value += 2)
			block[value] = 0;
		blocks.push_back(block);
	}
	for (int i = 0; i < 130; ++i)
		blocks.push_back(Silence());
	return blocks;
}

// Block indices after which the pictures are compared.
inline const std::set<size_t> kGoldenCheckpoints = {1,   2,   5,   8,   30,  100, 125, 126, 127, 128,
                                                    150, 165, 180, 205, 210, 225, 240, 260, 300, 355};
