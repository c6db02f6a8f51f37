// The window's hidden state, which stops the frame loop drawing: the test window is never
// mapped, so it counts as hidden until shown, and an iconified window is hidden whether mapped
// or not.
#include "gl_fixture.h"

#include "app/window.h"

#include <gtest/gtest.h>

TEST(WindowTest, HiddenWhileUnmappedOrIconified)
{
    if (!testWindow())
        GTEST_SKIP() << "no window in a headless run";
    Window window(testWindow());
    EXPECT_TRUE(window.hidden()) << "an unmapped window shows nothing";
    glfwShowWindow(testWindow());
    EXPECT_FALSE(window.hidden());
    window.iconified = true;
    EXPECT_TRUE(window.hidden());
    glfwHideWindow(testWindow());
    window.iconified = false;
    EXPECT_TRUE(window.hidden());
}
