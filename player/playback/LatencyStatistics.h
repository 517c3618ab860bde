// How late blocks are shown: for each block rendered, the time from its first
// frame being heard, as the output reports it, to its Render returning.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// [player thread]
class LatencyStatistics {
public:
	void Add(double milliseconds);

	int64_t Count() const { return static_cast<int64_t>(samples_.size()); }
	// 0 without samples. `fraction` 0 to 1: 0.5 the median, 1 the largest.
	double Quantile(double fraction) const;
	double Mean() const;
	// One line: count, mean, median, 95th and 99th percentiles, largest.
	std::string Summary() const;

private:
	std::vector<double> samples_;
};
