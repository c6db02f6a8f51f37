// The frame benchmark's GL helpers on real GL: the window capture writes rows top first with
// the colours drawn; the GPU intervals hand back every frame's results in order under their
// labels; every fetch-reference program builds and binds.
#include "gl_fixture.h"

#include "bench/frame/fetch_reference.h"
#include "resources/gpu_intervals.h"
#include "bench/frame/window_capture.h"

#include <SOIL/SOIL.h>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>
#include <utility>

TEST(WindowCaptureTest, CaptureKeepsTheTopRowOnTopAndTheColoursDrawn)
{
    int width = 0, height = 0;
    glfwGetFramebufferSize(testWindow(), &width, &height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    // Red above, blue below; an odd width would catch a row-alignment slip.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height / 2, width, height - height / 2);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, width, height / 2);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const std::string path = "/tmp/bench_frame_capture_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(writeWindowPng(path, width - 1, height));
    EXPECT_EQ(drainGlErrors(), 0);

    int decodedWidth = 0, decodedHeight = 0, channels = 0;
    unsigned char* pixels = SOIL_load_image(path.c_str(), &decodedWidth, &decodedHeight, &channels, SOIL_LOAD_RGB);
    std::remove(path.c_str());
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(decodedWidth, width - 1);
    ASSERT_EQ(decodedHeight, height);
    const auto pixel = [&](int x, int y) {
        const unsigned char* p = pixels + (std::size_t(y) * std::size_t(decodedWidth) + std::size_t(x)) * 3;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(decodedWidth - 1, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(0, decodedHeight - 1), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(pixel(decodedWidth - 1, decodedHeight - 1), (std::vector<int>{0, 0, 255}));
    SOIL_free_image_data(pixels);
}

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
