// Test fixtures shared by the unit and GL tests, none of which needs GL: what a call prints on
// standard output, vectors compared component by component, fixture files in the run's
// temporary folder, a scratch directory made current for one test (so "./"-rooted asset paths
// land in it), file writing with explicit time stamps, and a driven wall clock behind
// wallClockTicks.
#pragma once

#include "resources/timer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <glm/glm.hpp>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Writes bytes to a file of the given name in this run's temporary folder and returns its path.
inline std::string writeFixtureFile(const std::string& name, const std::string& bytes)
{
    const std::string path = ::testing::TempDir() + "orbitview_" + std::to_string(getpid()) + "_" + name;
    writeFile(path, bytes);
    return path;
}

// Path in this run's temporary folder that no test ever writes.
inline std::string missingFixtureFile(const std::string& name)
{
    return ::testing::TempDir() + "orbitview_" + std::to_string(getpid()) + "_missing_" + name;
}

// A fresh directory under the system's temporary directory, current while the object lives.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "orbitview-scratch-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data()))
            path = made;
        std::filesystem::current_path(path);
    }
    ~ScratchDirectory()
    {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::filesystem::path path;
    std::filesystem::path previous;
};

// Sets the file's modification (and access) time to seconds + nanoseconds since 1970.
inline bool setStamp(const std::string& path, int64_t seconds, long nanoseconds = 0)
{
    const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds}, {static_cast<time_t>(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

inline void writeFileStamped(const std::string& path, const std::string& bytes, int64_t seconds, long nanoseconds = 0)
{
    writeFile(path, bytes);
    setStamp(path, seconds, nanoseconds);
}

constexpr int64_t kTicksPerMs = 10000;
constexpr int64_t kTicksPerSecond = 10000000;

inline int64_t drivenTicks = 0;
inline int64_t drivenClock() { return drivenTicks; }

// Replaces the wall clock for its lifetime; time moves only when the test says so.
class DrivenClock {
public:
    explicit DrivenClock(int64_t startSeconds = 1700000000)
    {
        drivenTicks = startSeconds * kTicksPerSecond;
        previous = wallClockTicks;
        wallClockTicks = drivenClock;
    }
    ~DrivenClock() { wallClockTicks = previous; }
    DrivenClock(const DrivenClock&) = delete;
    DrivenClock& operator=(const DrivenClock&) = delete;

    void advanceMs(int64_t ms) { drivenTicks += ms * kTicksPerMs; }
    int64_t seconds() const { return drivenTicks / kTicksPerSecond; }

private:
    WallClock previous;
};
