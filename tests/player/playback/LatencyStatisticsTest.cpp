#include "playback/LatencyStatistics.h"

#include <gtest/gtest.h>

TEST(LatencyStatistics, QuantilesAndMeanOfKnownSamples) {
	LatencyStatistics latency;
	EXPECT_EQ(latency.Quantile(0.5), 0.0);
	EXPECT_EQ(latency.Mean(), 0.0);
	// Added out of order: 1 to 100 ms.
	for (int i = 0; i < 100; i++)
		latency.Add(double((i * 37) % 100 + 1));
	EXPECT_EQ(latency.Count(), 100);
	EXPECT_DOUBLE_EQ(latency.Mean(), 50.5);
	EXPECT_EQ(latency.Quantile(0.0), 1.0);
	EXPECT_EQ(latency.Quantile(0.5), 51.0);
	EXPECT_EQ(latency.Quantile(0.95), 95.0);
	EXPECT_EQ(latency.Quantile(1.0), 100.0);
	EXPECT_EQ(latency.Summary(), "latency from heard to shown: 100 blocks, mean 50.50 ms, median 51.00 ms, "
	                             "95% 95.00 ms, 99% 99.00 ms, largest 100.00 ms");
}
