#include "playback/LatencyStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

void LatencyStatistics::Add(double milliseconds) { samples_.push_back(milliseconds); }

double LatencyStatistics::Quantile(double fraction) const {
	if (samples_.empty()) return 0;
	std::vector<double> sorted = samples_;
	const auto at =
	    static_cast<size_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * double(sorted.size() - 1)));
	std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(at), sorted.end());
	return sorted[at];
}

double LatencyStatistics::Mean() const {
	if (samples_.empty()) return 0;
	return std::accumulate(samples_.begin(), samples_.end(), 0.0) / double(samples_.size());
}

std::string LatencyStatistics::Summary() const {
	char line[160];
	std::snprintf(line, sizeof line,
	              "latency from heard to shown: %lld blocks, mean %.2f ms, median %.2f ms, 95%% %.2f ms, "
	              "99%% %.2f ms, largest %.2f ms",
	              static_cast<long long>(Count()), Mean(), Quantile(0.5), Quantile(0.95), Quantile(0.99),
	              Quantile(1.0));
	return line;
}
