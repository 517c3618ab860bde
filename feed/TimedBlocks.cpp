#include "TimedBlocks.h"

#include <cmath>

std::optional<TimedBlocks::Clock::time_point> TimedBlocks::NextDue() const {
	if (blocks_.empty() || !clock_.running || clock_.rate == 0) return std::nullopt;
	const double after = double(blocks_.front().frame - clock_.frame) * 1e9 / clock_.rate;
	return Clock::time_point(std::chrono::nanoseconds(clock_.ns + std::llround(after)));
}

const meter_protocol::Block* TimedBlocks::Due(Clock::time_point now) const {
	const std::optional<Clock::time_point> due = NextDue();
	return due && *due <= now ? &blocks_.front() : nullptr;
}
