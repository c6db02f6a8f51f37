// Small checks shared by the unit and GL tests: what a call prints on standard output, and
// vectors compared component by component.
#pragma once

#include <cstdio>
#include <glm/glm.hpp>
#include <gtest/gtest.h>
#include <string>

// Runs action with standard output captured (C stdio flushed, so SOIL's and our printf lines are
// in it) and returns what it printed.
template <typename Action>
std::string printedBy(const Action& action)
{
    testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline void expectVec(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
