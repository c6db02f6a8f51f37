// The frame capture on real GL, from the window's multisampled back buffer and from the offscreen
// output: rows top first, the colours drawn, the size of the output (an odd width would catch a
// row-alignment slip).
#include "gl_fixture.h"

#include "app/frame_capture.h"
#include "app/offscreen_surface.h"
#include "app/window.h"

#include <SOIL/SOIL.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Red over the top half, blue over the bottom half of the bound framebuffer.
void drawRedOverBlue(int width, int height)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height / 2, width, height - height / 2);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, width, height / 2);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void expectRedOverBlue(const Surface& surface, int outputWidth, int outputHeight)
{
    const std::string path = "/tmp/frame_capture_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(writeOutputPng(path, surface, outputWidth, outputHeight, "frame_capture_test"));
    EXPECT_EQ(drainGlErrors(), 0);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), surface.outputFramebuffer());

    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_RGB);
    std::remove(path.c_str());
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(width, outputWidth);
    ASSERT_EQ(height, outputHeight);
    const auto pixel = [&](int x, int y) {
        const unsigned char* p = pixels + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(width - 1, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(0, height - 1), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(pixel(width - 1, height - 1), (std::vector<int>{0, 0, 255}));
    SOIL_free_image_data(pixels);
}

TEST(FrameCaptureTest, WindowCaptureKeepsTheTopRowOnTopAndTheColoursDrawn)
{
    if (!testWindow())
        GTEST_SKIP() << "no window in a headless run";
    const Window window(testWindow());
    int width = 0, height = 0;
    glfwGetFramebufferSize(testWindow(), &width, &height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    drawRedOverBlue(width, height);
    expectRedOverBlue(window, width - 1, height);
}

TEST(FrameCaptureTest, OffscreenOutputIsCompleteAndCapturedAtItsSize)
{
    GLuint colour = 0;
    {
        OffscreenSurface surface(63, 32);
        ASSERT_NE(surface.outputFramebuffer(), 0u);
        glBindFramebuffer(GL_FRAMEBUFFER, surface.outputFramebuffer());
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        drawRedOverBlue(63, 32);
        expectRedOverBlue(surface, 63, 32);

        // A resize re-makes the output at the new size; the surface's end leaves nothing behind.
        surface.resizeOutput(20, 10);
        glBindFramebuffer(GL_FRAMEBUFFER, surface.outputFramebuffer());
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        int width = 0, height = 0;
        surface.size(width, height);
        EXPECT_EQ(width, 20);
        GLint texelWidth = 0;
        colour = surface.colourTex;
        glBindTexture(GL_TEXTURE_2D, colour);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texelWidth);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(texelWidth, 20);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    EXPECT_FALSE(glIsTexture(colour));
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
