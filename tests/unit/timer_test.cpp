// Timer and TimedExecution on a driven wall clock: period boundaries, run counts, long pauses
// and a clock set back.
#include "resources/timer.h"
#include "fixture.h"

#include <gtest/gtest.h>

namespace {

class TimerTest : public ::testing::Test {
protected:
    DrivenClock clock;
    int runs = 0;
};

TEST_F(TimerTest, RunsOnceThePeriodHasPassed)
{
    TimedExecution poll([this] { ++runs; }, 1000, 0xFFFFFFFFu);
    clock.advanceMs(999);
    EXPECT_FALSE(poll.tick());
    drivenTicks += kTicksPerMs - 1;  // 999.9999 ms still counts as 999
    EXPECT_FALSE(poll.tick());
    drivenTicks += 1;
    EXPECT_TRUE(poll.tick());
    EXPECT_FALSE(poll.tick());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(poll.remainingRuns, 0xFFFFFFFEu);
}

TEST_F(TimerTest, RunCountsOfOneAndZero)
{
    TimedExecution once([this] { ++runs; }, 1000, 1);
    TimedExecution never([this] { runs += 100; }, 1000, 0);
    for (int second = 0; second < 5; ++second) {
        clock.advanceMs(1000);
        once.tick();
        EXPECT_FALSE(never.tick());
    }
    EXPECT_EQ(runs, 1);
}

TEST_F(TimerTest, LongPauseRunsOnceAndTheNextPeriodStartsAfterTheRun)
{
    TimedExecution poll([this] { ++runs; }, 1000, 0xFFFFFFFFu);
    clock.advanceMs(10000);
    EXPECT_TRUE(poll.tick());
    EXPECT_FALSE(poll.tick());
    clock.advanceMs(999);
    EXPECT_FALSE(poll.tick());
    clock.advanceMs(1);
    EXPECT_TRUE(poll.tick());
    EXPECT_EQ(runs, 2);
}

TEST_F(TimerTest, ClockSetBackRunsTheJob)
{
    TimedExecution poll([this] { ++runs; }, 1000, 0xFFFFFFFFu);
    clock.advanceMs(300);
    EXPECT_FALSE(poll.tick());
    clock.advanceMs(-5000);
    EXPECT_TRUE(poll.tick());
    EXPECT_EQ(runs, 1);
}

TEST_F(TimerTest, StopwatchStartStopAndElapsed)
{
    Timer timer;
    EXPECT_EQ(timer.state, 0);
    clock.advanceMs(50);
    EXPECT_EQ(timer.elapsedMs(), 0);
    timer.start();
    EXPECT_EQ(timer.startMs, 50);
    clock.advanceMs(120);
    timer.start();
    EXPECT_EQ(timer.elapsedMs(), 120);
    clock.advanceMs(30);
    EXPECT_EQ(timer.stop(), 150);
    EXPECT_EQ(timer.elapsedMs(), 0);
    clock.advanceMs(-1000);
    timer.start();
    clock.advanceMs(-10);
    EXPECT_EQ(timer.elapsedMs(), -10);
}

}  // namespace
