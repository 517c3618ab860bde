// The blocks a meter was sent and the clock they are heard by: which one is
// due to be rendered, and when.
#pragma once

#include <chrono>
#include <deque>
#include <optional>

#include "MeterProtocol.h"

// [one thread] The meter's.
class TimedBlocks {
public:
	using Clock = std::chrono::steady_clock;

	void Add(const meter_protocol::Block& block) { blocks_.push_back(block); }
	void SetClock(const meter_protocol::Clock& clock) { clock_ = clock; }
	// The blocks waiting are never heard.
	void Drop() { blocks_.clear(); }

	bool Empty() const { return blocks_.empty(); }
	// When the first block waiting is heard (its first frame); none while
	// the clock stands or none waits.
	std::optional<Clock::time_point> NextDue() const;
	// The first block waiting, when it is heard by `now`; null otherwise.
	const meter_protocol::Block* Due(Clock::time_point now) const;
	void Pop() { blocks_.pop_front(); }

private:
	std::deque<meter_protocol::Block> blocks_;
	meter_protocol::Clock clock_{}; // stands until the first comes
};
