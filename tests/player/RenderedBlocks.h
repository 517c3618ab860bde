// What the test add-on's Render calls got, read back from the file it writes
// in its "blocks" mode (VUPLAY_TEST_ADDON=blocks).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "player/TestFiles.h"

struct RenderedBlock {
	std::chrono::steady_clock::time_point at; // when Render was called
	std::array<int16_t, 1024> samples;        // interleaved stereo, left first
};

inline std::vector<RenderedBlock> ReadRenderedBlocks(const std::string& path) {
	const std::string bytes = ReadFile(path);
	constexpr size_t kRecord = sizeof(int64_t) + 1024 * sizeof(int16_t);
	std::vector<RenderedBlock> blocks(bytes.size() / kRecord);
	for (size_t i = 0; i < blocks.size(); i++) {
		int64_t nanoseconds = 0;
		std::memcpy(&nanoseconds, bytes.data() + i * kRecord, sizeof nanoseconds);
		blocks[i].at = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(nanoseconds));
		std::memcpy(blocks[i].samples.data(), bytes.data() + i * kRecord + sizeof nanoseconds,
		            sizeof blocks[i].samples);
	}
	return blocks;
}

// The frames of the blocks from `first` on, one after the other: left and right.
inline std::vector<std::pair<int16_t, int16_t>> Frames(const std::vector<RenderedBlock>& blocks,
                                                       size_t first = 0) {
	std::vector<std::pair<int16_t, int16_t>> frames;
	for (size_t i = first; i < blocks.size(); i++)
		for (size_t j = 0; j < blocks[i].samples.size(); j += 2)
			frames.emplace_back(blocks[i].samples[j], blocks[i].samples[j + 1]);
	return frames;
}
