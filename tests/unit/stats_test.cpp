// Summaries of timing samples: percentiles by linear interpolation between closest ranks.
#include "resources/stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(StatsTest, MedianOfOddAndEvenCountsInAnyOrder)
{
    EXPECT_DOUBLE_EQ(percentile({5.0, 1.0, 3.0}, 50.0), 3.0);
    // An even count: the mean of the middle two, not one of them.
    EXPECT_DOUBLE_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 50.0), 2.5);
    EXPECT_DOUBLE_EQ(percentile({7.0}, 50.0), 7.0);
}

TEST(StatsTest, PercentileInterpolatesBetweenClosestRanksAndStaysInsideTheSamples)
{
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(double(i));
    // Rank 0.95 * 99 = 94.05 lies between the 95th and 96th smallest (95 and 96).
    EXPECT_NEAR(percentile(hundred, 95.0), 95.05, 1e-9);
    EXPECT_DOUBLE_EQ(percentile(hundred, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(percentile(hundred, 100.0), 100.0);
    EXPECT_DOUBLE_EQ(percentile(hundred, 250.0), 100.0);
    EXPECT_DOUBLE_EQ(percentile(hundred, -5.0), 1.0);
    // Twenty samples, one outlier: p95 falls between the two largest, never past the outlier.
    std::vector<double> frames(19, 10.0);
    frames.push_back(100.0);
    EXPECT_NEAR(percentile(frames, 95.0), 10.0 + 0.05 * 90.0, 1e-9);
}

TEST(StatsTest, NoSamplesGiveNaNNotZero)
{
    EXPECT_TRUE(std::isnan(percentile({}, 50.0)));
    const Summary empty = summarize({});
    EXPECT_EQ(empty.count, 0u);
    EXPECT_TRUE(std::isnan(empty.median));
    EXPECT_TRUE(std::isnan(empty.p95));
    EXPECT_TRUE(std::isnan(empty.mean));
}

TEST(StatsTest, SummaryOfFrames)
{
    const Summary summary = summarize({2.0, 4.0, 6.0, 8.0});
    EXPECT_EQ(summary.count, 4u);
    EXPECT_DOUBLE_EQ(summary.median, 5.0);
    EXPECT_DOUBLE_EQ(summary.mean, 5.0);
    EXPECT_DOUBLE_EQ(summary.max, 8.0);
    EXPECT_NEAR(summary.p95, 7.7, 1e-9);
}
