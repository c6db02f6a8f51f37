// Summaries of timing samples: percentiles by linear interpolation between closest ranks.
#include "app/frame_history.h"
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

// The overlay's frame history: the ring keeps the last 240 times, the graph reads it from the
// oldest, bad times are dropped, and the figures summarise only what is held.
TEST(StatsTest, FrameHistoryKeepsTheLastFramesAndSummarisesThem)
{
    FrameHistory history;
    EXPECT_EQ(history.figures().fps, 0.0) << "empty: no rate, no division by zero";
    history.add(std::numeric_limits<double>::quiet_NaN());
    history.add(-1.0);
    history.add(std::numeric_limits<double>::infinity());
    EXPECT_EQ(history.count, 0);

    for (int i = 0; i < 4; ++i)
        history.add(i < 3 ? 20.0 : 60.0);
    FrameHistory::Figures figures = history.figures();
    EXPECT_DOUBLE_EQ(figures.median, 20.0);
    EXPECT_NEAR(figures.p95, 20.0 + 0.85 * 40.0, 1e-9);
    EXPECT_DOUBLE_EQ(figures.fps, 1000.0 / 30.0) << "frames per second of the mean time";
    EXPECT_EQ(history.oldest(), 0);

    for (int i = 0; i < FrameHistory::kFrames + 10; ++i)
        history.add(double(i));
    EXPECT_EQ(history.count, FrameHistory::kFrames);
    EXPECT_EQ(history.ms[std::size_t(history.oldest())], 10.0f) << "the oldest kept is the 11th of the last run";
    figures = history.figures();
    EXPECT_DOUBLE_EQ(figures.median, (10.0 + 249.0) / 2.0) << "the first four times are gone";
}
