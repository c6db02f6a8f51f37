// The frame-rate title: measuring window, clamping, formatting and the "NONE" variant.
#include "app/fps.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

struct DrivenFps {
    double now = 100.0;
    std::vector<std::string> titles;
    std::ostringstream console;
    FpsCounter fps;

    DrivenFps()
    {
        fps.clock = [this] { return now; };
        fps.setTitle = [this](const std::string& t) { titles.push_back(t); };
        fps.out = &console;
    }
};

TEST(FpsTest, FormatsLikeADefaultStream)
{
    EXPECT_EQ(formatRate(60.0), "60");
    EXPECT_EQ(formatRate(59.940119760479), "59.9401");
    EXPECT_EQ(formatRate(0.0), "0");
}

TEST(FpsTest, PublishesAfterTheIntervalWithoutCountingThePublishingFrame)
{
    DrivenFps d;
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(d.fps.showFps(2.0, "Quillon Works"), 0.0);
        d.now += 2.0 / 120;
    }
    ASSERT_TRUE(d.titles.empty());
    d.now = 102.5;
    EXPECT_DOUBLE_EQ(d.fps.showFps(2.0, "Quillon Works"), 120 / 2.5);
    ASSERT_EQ(d.titles.size(), 1u);
    EXPECT_EQ(d.titles[0], "Quillon Works | FPS: 48");
    EXPECT_EQ(d.fps.frames, 1) << "the publishing frame opens the next window";
    EXPECT_EQ(d.fps.showFps(2.0, "Quillon Works"), 48.0);
    EXPECT_EQ(d.fps.frames, 2);

    // The next window holds the publishing frame, the one right after it and 78 more.
    for (int i = 1; i <= 78; ++i) {
        d.now = 102.5 + i * 0.025;
        d.fps.showFps(2.0, "Quillon Works");
    }
    ASSERT_EQ(d.titles.size(), 1u);
    d.now = 105.0;
    d.fps.showFps(2.0, "Quillon Works");
    ASSERT_EQ(d.titles.size(), 2u);
    EXPECT_EQ(d.titles[1], "Quillon Works | FPS: 32");
}

// Frames longer than the interval: every title shows their real rate, never 0.
TEST(FpsTest, FramesSlowerThanTheIntervalShowTheirRateNotZero)
{
    DrivenFps d;
    for (int frame = 0; frame < 6; ++frame) {
        d.fps.showFps(2.0, "Quillon Works");
        d.now += 3.0;
    }
    d.fps.showFps(2.0, "Quillon Works");
    ASSERT_EQ(d.titles.size(), 6u);
    for (const std::string& title : d.titles)
        EXPECT_EQ(title, "Quillon Works | FPS: 0.333333");

    // Back to fast frames: the window after the last stall counts the stalled frame, so 17
    // frames started in its 2.125 s.
    for (int frame = 0; frame < 20; ++frame) {
        d.now += 0.125;
        d.fps.showFps(2.0, "Quillon Works");
    }
    ASSERT_EQ(d.titles.size(), 7u);
    EXPECT_EQ(d.titles.back(), "Quillon Works | FPS: 8");
}

TEST(FpsTest, ClampsTheIntervalBetweenATenthAndTenSeconds)
{
    DrivenFps shortWindow;
    shortWindow.fps.showFps(0.05, "t");
    shortWindow.now += 0.09;
    shortWindow.fps.showFps(0.05, "t");
    EXPECT_TRUE(shortWindow.titles.empty());
    shortWindow.now += 0.02;
    shortWindow.fps.showFps(0.05, "t");
    EXPECT_EQ(shortWindow.titles.size(), 1u);

    DrivenFps longWindow;
    longWindow.fps.showFps(20, "t");
    longWindow.now += 10.0;
    longWindow.fps.showFps(20, "t");
    EXPECT_TRUE(longWindow.titles.empty());
    longWindow.now += 0.01;
    longWindow.fps.showFps(20, "t");
    EXPECT_EQ(longWindow.titles.size(), 1u);
}

TEST(FpsTest, NoneTitleWritesTheRateToTheConsoleInstead)
{
    DrivenFps d;
    d.fps.showFps(2.0, "NONE");
    d.fps.showFps(2.0, "NONE");
    d.now += 4.0;
    d.fps.showFps(2.0, "NONE");
    EXPECT_TRUE(d.titles.empty());
    EXPECT_EQ(d.console.str(), "FPS: 0.5\n");
}

}  // namespace
