// checkGlError reads exactly one queued error per call and names it.
#include "gl_fixture.h"
#include "resources/gl_error.h"

#include <gtest/gtest.h>

namespace {

// Mesa keeps one error flag (a second error is dropped while the first is pending), so each
// check is given one fresh error and must consume it.
TEST(GlErrorTest, ReportsOneErrorPerCallAndConsumesIt)
{
    drainGlErrors();
    glEnable(0xFFFF);
    testing::internal::CaptureStderr();
    checkGlError();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "GL: enum argument out of range.\n");

    glBindTexture(GL_TEXTURE_2D, 0);
    glTexImage2D(GL_TEXTURE_2D, -1, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    testing::internal::CaptureStderr();
    checkGlError();
    checkGlError();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "GL: Numeric argument out of range.\n");
}

TEST(GlErrorTest, NamesEveryErrorCode)
{
    EXPECT_EQ(errorTextOf(GL_NO_ERROR), nullptr);
    EXPECT_STREQ(errorTextOf(GL_INVALID_OPERATION), "GL: Operation illegal in current state.");
    EXPECT_STREQ(errorTextOf(GL_OUT_OF_MEMORY), "GL: Not enough memory left to execute command.");
    EXPECT_STREQ(errorTextOf(GL_INVALID_FRAMEBUFFER_OPERATION), "GL: Framebuffer object is not complete.");
    EXPECT_STREQ(errorTextOf(0x1234), "GL: Unknown error.");
}

}  // namespace
