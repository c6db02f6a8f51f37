// ImageDecode's processes: a decode started ahead in a child gives the bytes of one made when
// taken, in a child or in this process; a decode nobody takes leaves no child behind; a child
// that never answers is stopped at the timeout, one that loops at its CPU limit, one whose wait
// hook says so at once; without child processes the decodes happen here; closed standard
// descriptors lose no image.
#include "app/start_up_images.h"
#include "scene/image_decode.h"
#include "fixture.h"

#include <SOIL/SOIL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

const std::string kData = "tests/data/hardening/";
const std::string kGoodFiles[] = {kData + "rgb.png", kData + "greyalpha.png", kData + "rgb.jpg"};

// Whether this process has a child nobody reaped, running or ended (it stays waitable).
bool hasChild()
{
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

// A FIFO nobody writes to: a child that opens it to decode blocks for good. Removed at the end.
class SilentFifo {
public:
    SilentFifo()
        : path((std::filesystem::temp_directory_path() / ("orbitview_decode_fifo_" + std::to_string(getpid())))
                   .string())
    {
        std::remove(path.c_str());
        made = ::mkfifo(path.c_str(), 0600) == 0;
    }
    ~SilentFifo() { std::remove(path.c_str()); }
    SilentFifo(const SilentFifo&) = delete;
    SilentFifo& operator=(const SilentFifo&) = delete;

    const std::string path;
    bool made = false;
};

// Runs body in a forked child whose descriptors in closed are closed first; the child's exit
// status (body's result) comes back, or -1 when it did not exit by itself.
template <typename Body>
int statusInChildWithout(const std::vector<int>& closed, const Body& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int fd : closed)
            ::close(fd);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DecodedImage taken(ImageDecode decode)
{
    DecodedImage image;
    EXPECT_TRUE(decode.take(image)) << decode.path();
    return image;
}

void expectSame(const DecodedImage& a, const DecodedImage& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST(ImageDecodeTest, AheadWhenTakenAndInThisProcessGiveTheSameBytes)
{
    ASSERT_TRUE(processHasOneThread());
    for (const std::string& path : kGoodFiles) {
        SCOPED_TRACE(path);
        ImageDecode ahead = ImageDecode::start(path);
        EXPECT_TRUE(hasChild());
        const DecodedImage fromAhead = taken(std::move(ahead));
        EXPECT_FALSE(hasChild());
        expectSame(taken(ImageDecode(path)), fromAhead);

        // With a second thread nothing is forked.
        std::promise<void> done;
        std::thread waiter([finished = done.get_future()] { finished.wait(); });
        EXPECT_FALSE(processHasOneThread());
        expectSame(taken(ImageDecode::start(path)), fromAhead);
        EXPECT_FALSE(hasChild());
        done.set_value();
        waiter.join();
    }
}

TEST(ImageDecodeTest, RampTakesTheRgbThatSoilsForcedRgbDecodeGives)
{
    for (const std::string& path : kGoodFiles) {
        int width = 0, height = 0, channels = 0;
        unsigned char* rgb = SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_RGB);
        ASSERT_NE(rgb, nullptr) << path;
        EXPECT_EQ(decodeColourRamp(path), fillColourRamp(rgb, size_t(width) * size_t(height))) << path;
        SOIL_free_image_data(rgb);
    }
}

TEST(ImageDecodeTest, DecodesNobodyTakesLeaveNoChildAndAMoveHandsTheChildOn)
{
    { const ImageDecode untaken = ImageDecode::start(kData + "rgb.png"); }
    EXPECT_FALSE(hasChild());

    const DecodedImage jpeg = taken(kData + "rgb.jpg");
    ImageDecode kept = ImageDecode::start(kData + "rgb.png");
    {
        ImageDecode source = ImageDecode::start(kData + "rgb.jpg");
        // The assignment stops the PNG's child; the moved-from decode leaves the JPEG's alone.
        kept = std::move(source);
    }
    EXPECT_TRUE(hasChild());
    expectSame(taken(std::move(kept)), jpeg);
    EXPECT_FALSE(hasChild());
}

TEST(ImageDecodeTest, ChildThatNeverAnswersIsStoppedAtTheTimeout)
{
    ASSERT_TRUE(processHasOneThread());
    const SilentFifo fifo;
    ASSERT_TRUE(fifo.made);
    for (bool ahead : {true, false}) {
        const auto began = std::chrono::steady_clock::now();
        DecodedImage image;
        EXPECT_EQ(printedBy([&] {
                      ImageDecode decode = ahead ? ImageDecode::start(fifo.path, 200ms) : ImageDecode(fifo.path, 200ms);
                      EXPECT_FALSE(decode.take(image));
                  }),
                  "SOIL loading error: 'Corrupt image " + fifo.path + ": the decoder did not finish in 0.2 s'\n");
        EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
        EXPECT_FALSE(hasChild());
    }
}

TEST(ImageDecodeTest, JpegWhoseDecoderLoopsIsStoppedAtTheCpuLimitAndNamed)
{
    ASSERT_TRUE(processHasOneThread());
    // Four bytes on which SOIL's JPEG reader spins for good; the wall bound is far off.
    const std::string path = writeFixtureFile("looping.jpg", std::string("\xFF\xD8\xFF\xE4", 4));
    for (bool ahead : {true, false}) {
        DecodedImage image;
        EXPECT_EQ(printedBy([&] {
                      ImageDecode decode = ahead ? ImageDecode::start(path, 60s, 1s) : ImageDecode(path, 60s, 1s);
                      EXPECT_FALSE(decode.take(image));
                  }),
                  "SOIL loading error: 'Corrupt image " + path + ": the decoder did not finish in 1 s of CPU time'\n");
        EXPECT_FALSE(hasChild());
    }
}

TEST(ImageDecodeTest, WaitHookIsAskedWhileTheChildWorksAndStopsTheWaitQuietly)
{
    ASSERT_TRUE(processHasOneThread());
    const SilentFifo fifo;
    ASSERT_TRUE(fifo.made);
    for (bool ahead : {true, false}) {
        SCOPED_TRACE(ahead ? "ahead" : "when taken");
        int calls = 0;
        ImageDecode decode = ahead ? ImageDecode::start(fifo.path, 60s) : ImageDecode(fifo.path, 60s);
        decode.waitWith([&calls] { return ++calls < 3; });
        DecodedImage image;
        bool decoded = true;
        EXPECT_EQ(printedBy([&] { decoded = decode.take(image); }), "");
        EXPECT_FALSE(decoded);
        EXPECT_EQ(calls, 3);
        EXPECT_FALSE(hasChild());
    }

    // A hook that lets the wait go on changes nothing, also once moved with its decode.
    const DecodedImage png = taken(kData + "rgb.png");
    ImageDecode good = ImageDecode::start(kData + "rgb.png");
    good.waitWith([] { return true; });
    expectSame(taken(std::move(good)), png);
    EXPECT_FALSE(hasChild());

    // Every start-up image gets the hook: once it says stop, every wait left ends at its first call.
    const auto waiting = [&] { return ImageDecode::start(fifo.path, 60s); };
    StartUpImages images{waiting(), waiting(), waiting(), waiting(), waiting(), waiting(),
                         waiting(), waiting(), waiting(), waiting(), waiting()};
    int calls = 0;
    images.waitWith([&calls] { return ++calls < 0; });
    DecodedImage image;
    int decodes = 0;
    for (ImageDecode* decode : {&images.lensStar, &images.lensDirt, &images.lensColour, &images.starField,
                                &images.rocket, &images.probe, &images.probeNormalMap, &images.phobos, &images.earth,
                                &images.earthNormalMap, &images.sun}) {
        EXPECT_EQ(printedBy([&] { decodes += decode->take(image); }), "");
    }
    EXPECT_EQ(decodes, 0);
    EXPECT_EQ(calls, 11);
    EXPECT_FALSE(hasChild());
}

TEST(ImageDecodeTest, ClosedStandardDescriptorsLoseNoImage)
{
    ASSERT_TRUE(processHasOneThread());
    const DecodedImage png = taken(kData + "rgb.png");
    // With 1 and 2 closed the first pipe got both, and the child's redirection of standard
    // error closed its own write end.
    const std::vector<std::vector<int>> closedSets = {{1, 2}, {2}, {0, 1, 2}, {0}, {1}};
    for (const std::vector<int>& closed : closedSets) {
        SCOPED_TRACE(::testing::PrintToString(closed));
        EXPECT_EQ(statusInChildWithout(closed,
                                       [&] {
                                           DecodedImage ahead, whenTaken;
                                           const bool same = ImageDecode::start(kData + "rgb.png").take(ahead) &&
                                                             ImageDecode(kData + "rgb.png").take(whenTaken) &&
                                                             ahead.pixels == png.pixels &&
                                                             whenTaken.pixels == png.pixels;
                                           return same ? 0 : 1;
                                       }),
                  0);
        // Start-up gives the closed descriptors /dev/null before its pipes, so that no pipe,
        // file or display connection opened later receives the console's output.
        EXPECT_EQ(statusInChildWithout(closed,
                                       [&closed] {
                                           StartUpImages images = decodeStartUpImages();
                                           DecodedImage lensStar;
                                           if (!images.lensStar.take(lensStar) || lensStar.width != 512)
                                               return 1;
                                           struct stat null = {}, standard = {};
                                           ::stat("/dev/null", &null);
                                           for (int fd : closed)
                                               if (::fstat(fd, &standard) != 0 || standard.st_rdev != null.st_rdev)
                                                   return 2;
                                           return 0;
                                       }),
                  0);
    }
}

TEST(ImageDecodeTest, WithoutAPipeTheDecodesHappenHereAndSaySoOnce)
{
    const DecodedImage png = taken(kData + "rgb.png");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // One descriptor left free: a file opens, a pipe (two of them) does not.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    ::close(lowestFree);
    const rlimit oneFree{rlim_t(lowestFree + 1), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &oneFree), 0);
    DecodedImage ahead, whenTaken;
    const bool decodedAhead = ImageDecode::start(kData + "rgb.png").take(ahead);
    const bool decodedWhenTaken = ImageDecode(kData + "rgb.png").take(whenTaken);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    EXPECT_TRUE(decodedAhead);
    EXPECT_TRUE(decodedWhenTaken);
    expectSame(ahead, png);
    expectSame(whenTaken, png);
    EXPECT_EQ(errors, "Image decoder: no child process (Too many open files); decoding in this process\n");
}

}  // namespace
