// How far things came from their time (blocks rendered after they were
// heard, a clock from the one foretold): a histogram in steps of 0.1 ms, up
// to two seconds, so that an hour of blocks costs no more than a minute's.
#pragma once

#include <array>
#include <cstdint>

// [one thread]
class LatenessTally {
public:
	// One `us` microseconds late; early counts as on time.
	void Add(int64_t us);
	int64_t Count() const { return count_; }
	// The lateness below which `fraction` of the blocks were, in
	// microseconds, to the step; 0 when there are none.
	int32_t Below(double fraction) const;
	int32_t Latest() const { return latest_; }

private:
	static constexpr int kStepUs = 100;
	static constexpr int kSteps = 20000;

	std::array<int64_t, kSteps + 1> steps_ = {}; // the last one holds everything later
	int64_t count_ = 0;
	int32_t latest_ = 0;
};
