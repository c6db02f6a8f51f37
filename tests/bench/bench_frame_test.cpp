// The frame benchmark's GL helpers on real GL: the GPU intervals hand back every frame's results in order under their
// labels; every fetch-reference program builds and binds.
#include "gl_fixture.h"

#include "bench/frame/fetch_reference.h"
#include "resources/gpu_intervals.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <utility>

TEST(GpuIntervalsTest, IntervalsComeBackPerFrameInOrderUnderTheirLabels)
{
    std::vector<std::pair<long, int>> results;
    bool negative = false;
    {
        GpuIntervals gpu([&](long frame, int label, double ms) {
            results.emplace_back(frame, label);
            negative = negative || ms < 0.0;
        });
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        constexpr long kFrames = 6;
        for (long frame = 0; frame < kFrames; ++frame) {
            gpu.beginFrame(frame);
            // Frame f has f % 3 + 1 intervals, so a slot read with another frame's count shows.
            for (int label = 0; label <= frame % 3; ++label) {
                gpu.start(10 * int(frame) + label);
                glClear(GL_COLOR_BUFFER_BIT);
            }
            gpu.stop();
            glFinish();  // as the swap at a frame's end does on this driver
        }
        gpu.finish(kFrames);
        EXPECT_EQ(gpu.lateResults, 0);
    }
    std::vector<std::pair<long, int>> expected;
    for (long frame = 0; frame < 6; ++frame)
        for (int label = 0; label <= frame % 3; ++label)
            expected.emplace_back(frame, 10 * int(frame) + label);
    EXPECT_EQ(results, expected);
    EXPECT_FALSE(negative);
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST(FetchReferenceTest, EveryFetchReferenceBuildsAndBinds)
{
    std::ifstream file("shaders/quadShader.vert");
    std::stringstream vertexSource;
    vertexSource << file.rdbuf();
    ASSERT_FALSE(vertexSource.str().empty()) << "run from the repository root";

    testing::internal::CaptureStderr();
    FetchReferences references;
    references.build(vertexSource.str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const Renderer renderer;
    for (std::size_t entry = 0; entry < screenDraws().size(); ++entry)
        EXPECT_TRUE(references.bind(int(entry), renderer)) << screenDraws()[entry].name;
    EXPECT_FALSE(references.bind(int(screenDraws().size()), renderer));
    glUseProgram(0);
    references.release();
    EXPECT_EQ(drainGlErrors(), 0);
}
