// The live pass timer on real GL, with its clock driven by the test: idle it is nobody's probe;
// started, it times kFrames frames, reads the last results two frames later, prints one table
// and is idle again.
#include "app/pass_timer.h"
#include "gl_fixture.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string readAll(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file))
        text += buffer;
    return text;
}

// A timer whose table goes to a scratch file and whose clock the test moves.
struct PassTimerTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(out, nullptr);
        timer.out = out;
        timer.clock = [this] { return now; };
    }
    void TearDown() override
    {
        timer.release();
        if (out)
            std::fclose(out);
        EXPECT_EQ(drainGlErrors(), 0);
    }

    PassTimer timer;
    std::FILE* out = std::tmpfile();
    double now = 0.0;
};

TEST_F(PassTimerTest, TimesItsFramesThenPrintsOneTableAndStops)
{
    EXPECT_EQ(timer.probe(), nullptr);

    timer.start(true);
    int frames = 0;
    while (FrameProbe* probe = timer.probe()) {
        ASSERT_LT(frames, 200) << "the measurement ends";
        timer.start(true);  // a second T while measuring changes nothing
        for (std::size_t step = 0; step <= kFrameStepCount; ++step)
            probe->mark(FrameStep(step));
        now += 0.025;
        ++frames;
    }
    EXPECT_EQ(frames, PassTimer::kFrames + QueryRing::kLag) << "two more frames read the last results back";
    const std::string table = readAll(out);
    EXPECT_EQ(table.rfind("Pass timing over 120 frames (ms: median, 95th percentile)\n", 0), 0u) << table;
    EXPECT_NE(table.find("  normal/depth "), std::string::npos);
    EXPECT_NE(table.find("  composite "), std::string::npos);
    EXPECT_NE(table.find("  frame                  wall  25.000   25.000\n"), std::string::npos) << table;
    EXPECT_EQ(table.find("nan"), std::string::npos) << "every pass has all its samples";

    timer.start(false);
    EXPECT_EQ(timer.probe(), nullptr);
    EXPECT_NE(readAll(out).find("Pass timing: this GL context has no timer queries"), std::string::npos);
}

// Live (the overlay shown): every frame is timed on the same queries, the means are published
// once per period of the timer's clock, a T table still gets its 120 frames meanwhile, and once
// live ends the probe reads the last results back and sleeps.
TEST_F(PassTimerTest, LiveFiguresArePublishedEachPeriodBesideTheTable)
{
    const auto runFrames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            FrameProbe* probe = timer.probe();
            ASSERT_NE(probe, nullptr);
            for (std::size_t step = 0; step <= kFrameStepCount; ++step)
                probe->mark(FrameStep(step));
            now += 0.1;
        }
    };
    timer.setLive(true);
    runFrames(4);
    EXPECT_EQ(timer.live.frames, 0) << "nothing published before the first period ends";
    runFrames(3);
    EXPECT_GT(timer.live.frames, 0);
    EXPECT_NEAR(timer.live.frameMs, 100.0, 1e-6);
    EXPECT_GE(timer.live.gpuMs[std::size_t(FrameStep::Ssao)], 0.0);

    timer.start(true);
    runFrames(int(PassTimer::kFrames + QueryRing::kLag));
    const std::string table = readAll(out);
    EXPECT_NE(table.find("  frame                  wall 100.000  100.000\n"), std::string::npos) << table;
    EXPECT_EQ(table.find("nan"), std::string::npos) << "the table's frames all have their samples: " << table;

    timer.setLive(false);
    runFrames(QueryRing::kLag);
    EXPECT_EQ(timer.probe(), nullptr) << "the last results are read and the probe sleeps";
}

}  // namespace
