// Soak run: the real Application for thousands of small frames while one reloadable shader's
// file is flipped between a valid and a broken text every hundred frames. Works in a temporary
// copy of shaders/ and models/ (taken from the working directory), drives the wall clock the
// reload poller reads, and prints frames, reloads, live GL programs and shaders, and resident
// memory before and after. Exits 1 when the GL objects or the memory did not stay level.
// Usage (from the repository root, with a display): soak [FRAMES]
#include "app/application.h"
#include "app/frame_loop.h"
#include "resources/timer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 90;
constexpr int kDefaultFrames = 4000;
constexpr int kFramesPerFlip = 100;
// Frames before the first figures are taken: targets, caches and the driver settle first.
constexpr int kWarmUpFrames = 100;
constexpr double kFrameSeconds = 1.0 / 60.0;
// Each frame moves the poller's clock on by just over its period, so every frame may poll.
constexpr int64_t kClockStepTicks = 10000000 + 1;
// GL names checked for live programs and shaders (Mesa numbers them from 1 upwards).
constexpr GLuint kHighestName = 4096;
// Resident growth allowed over the run, for allocator and driver noise.
constexpr long kAllowedGrowthKiB = 8 * 1024;
const char* const kFlippedShader = "shaders/blinnPhong.frag";
const char* const kBreakage = "\nthis line is not GLSL (\n";

int64_t soakTicks = 0;
int64_t soakClock() { return soakTicks; }

struct GlObjects {
    int programs = 0;
    int shaders = 0;
};

GlObjects countGlObjects()
{
    GlObjects count;
    for (GLuint name = 1; name <= kHighestName; ++name) {
        count.programs += glIsProgram(name) ? 1 : 0;
        count.shaders += glIsShader(name) ? 1 : 0;
    }
    return count;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the text and sets the file's time stamp to `second` exactly, so the poller sees a change
// however fast the flips come.
bool writeStamped(const std::string& path, const std::string& text, int64_t second)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    const timespec times[2] = {{static_cast<time_t>(second), 0}, {static_cast<time_t>(second), 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// A fresh temporary folder holding copies of shaders/ and models/; empty on failure.
std::filesystem::path copyDataSet()
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "orbitview_soak_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return {};
    const fs::path folder = pattern;
    std::error_code error;
    for (const char* part : {"shaders", "models"}) {
        fs::copy(part, folder / part, fs::copy_options::recursive, error);
        if (error) {
            std::fprintf(stderr, "soak: cannot copy %s: %s\n", part, error.message().c_str());
            fs::remove_all(folder, error);
            return {};
        }
    }
    return folder;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
    if (frames <= kWarmUpFrames) {
        std::fprintf(stderr, "usage: %s [FRAMES > %d]\n", argv[0], kWarmUpFrames);
        return 2;
    }
    const std::filesystem::path folder = copyDataSet();
    if (folder.empty() || chdir(folder.c_str()) != 0)
        return 1;

    soakTicks = systemWallClockTicks();
    wallClockTicks = soakClock;
    const std::string valid = readText(kFlippedShader);
    const std::string broken = valid + kBreakage;
    int64_t stamp = 1700000000;

    int status = 0;
    {
        Application app(SurfaceRequest{SurfaceKind::Window, kWidth, kHeight});
        if (!app.ready())
            return 1;
        ShaderProgram& flipped = *app.renderer.lighting.program;

        FrameLoop loop;
        loop.fixedDt = kFrameSeconds;
        loop.beforeFrame = [](long) { soakTicks += kClockStepTicks; };
        loop.start(app);
        loop.frames = kWarmUpFrames;
        loop.run(app);
        glFinish();
        const GlObjects before = countGlObjects();
        const long memoryBefore = residentKiB();

        int flips = 0, succeeded = 0, failed = 0;
        // A reload shows as a new time stamp on one of the program's files.
        auto loadStamps = [&] {
            int64_t sum = 0;
            for (const auto& entry : flipped.files)
                sum += entry.second.loadedModificationTime;
            return sum;
        };
        int64_t lastLoad = loadStamps();
        GLuint programBefore = 0;
        loop.beforeFrame = [&](long frame) {
            if ((frame - kWarmUpFrames) % kFramesPerFlip == 0) {
                ++flips;
                writeStamped(kFlippedShader, flips % 2 == 1 ? broken : valid, ++stamp);
            }
            programBefore = flipped.id();
            soakTicks += kClockStepTicks;
        };
        loop.afterPresent = [&](long) {
            const int64_t load = loadStamps();
            if (load != lastLoad) {
                lastLoad = load;
                ++(flipped.id() != programBefore ? succeeded : failed);
            }
        };
        loop.frames = frames - kWarmUpFrames;
        loop.run(app);
        glFinish();
        const GlObjects after = countGlObjects();
        const long memoryAfter = residentKiB();

        std::printf("soak: %d frames at %dx%d, %d flips of %s\n", frames, kWidth, kHeight, flips, kFlippedShader);
        std::printf("soak: reloads succeeded %d, failed %d\n", succeeded, failed);
        std::printf("soak: GL programs %d -> %d, shaders %d -> %d\n", before.programs, after.programs,
                    before.shaders, after.shaders);
        std::printf("soak: resident memory %ld KiB -> %ld KiB (%+ld KiB)\n", memoryBefore, memoryAfter,
                    memoryAfter - memoryBefore);
        const int expectedFailures = (flips + 1) / 2;
        if (before.programs != after.programs || before.shaders != after.shaders) {
            std::printf("soak: FAILED: the number of live GL programs or shaders changed\n");
            status = 1;
        }
        if (memoryAfter - memoryBefore > kAllowedGrowthKiB) {
            std::printf("soak: FAILED: resident memory grew by more than %ld KiB\n", kAllowedGrowthKiB);
            status = 1;
        }
        if (succeeded != flips - expectedFailures || failed != expectedFailures) {
            std::printf("soak: FAILED: expected %d reloads to succeed and %d to fail\n", flips - expectedFailures,
                        expectedFailures);
            status = 1;
        }
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return status;
}
