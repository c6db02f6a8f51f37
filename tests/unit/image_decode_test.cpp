// ImageDecode's processes: a decode started ahead in a child gives the bytes of one made when
// taken, in a child or in this process; a decode nobody takes leaves no child behind; a child
// that never answers is stopped at the timeout; without child processes the decodes happen here.
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
    // Opening a FIFO nobody writes to blocks the child for good.
    const std::string fifo =
        (std::filesystem::temp_directory_path() / ("orbitview_decode_fifo_" + std::to_string(getpid()))).string();
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (bool ahead : {true, false}) {
        const auto began = std::chrono::steady_clock::now();
        DecodedImage image;
        EXPECT_EQ(printedBy([&] {
                      ImageDecode decode = ahead ? ImageDecode::start(fifo, 200ms) : ImageDecode(fifo, 200ms);
                      EXPECT_FALSE(decode.take(image));
                  }),
                  "SOIL loading error: 'Corrupt image: the decoder did not finish in time'\n");
        EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
        EXPECT_FALSE(hasChild());
    }
    std::remove(fifo.c_str());
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
