// Fuzzes our own image code in this process: the signature check, and grey expansion, row flips,
// the mip chain, the colour ramp and square cube faces on an image made from the input's bytes;
// then the input as an image file through ImageDecode, with SOIL in its child process, where a
// crash is the handled outcome (a failed decode) and leaves no finding. Children are forked only
// by a process with one thread, so libFuzzer must run without its RSS thread: -rss_limit_mb=0
// (scripts/fuzz.sh passes it).
#include "fuzz_input.h"
#include "scene/image_decode.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// Larger decoded images skip the mip chain, which would only make the run slow.
constexpr size_t kMaxChainPixels = size_t(1) << 22;
// Sides of the images made from the bytes; squaring them stays quick.
constexpr int kMaxMadeSide = 64;
// SOIL decodes a few kilobytes in milliseconds, but some truncated JPEGs keep it busy for good:
// a short wait keeps those from eating the run (a child stopped in time is the handled outcome).
constexpr std::chrono::milliseconds kDecodeWait{3000};

size_t pixelCount(const DecodedImage& image)
{
    return size_t(image.width) * size_t(image.height);
}

bool sized(const DecodedImage& image)
{
    return image.pixels.size() == pixelCount(image) * size_t(image.channels);
}

// The first bytes choose the channel count and the sides; the rest, zero-padded, are the pixels.
DecodedImage imageFrom(const uint8_t* data, size_t size)
{
    const auto byte = [&](size_t i) { return i < size ? data[i] : uint8_t(0); };
    DecodedImage image;
    image.channels = 1 + byte(0) % 4;
    image.width = 1 + byte(1) % kMaxMadeSide;
    image.height = 1 + byte(2) % kMaxMadeSide;
    image.pixels.assign(pixelCount(image) * size_t(image.channels), 0);
    if (size > 3)
        std::copy_n(data + 3, std::min(size - 3, image.pixels.size()), image.pixels.begin());
    return image;
}

// Every step a decoded image may go through, each keeping its sizes.
void checkSteps(DecodedImage image, bool square)
{
    expandGrey(image);
    FUZZ_CHECK(image.channels == 3 || image.channels == 4);
    FUZZ_CHECK(sized(image));
    FUZZ_CHECK(fillColourRamp(image.pixels.data(), pixelCount(image), image.channels).size() ==
               size_t(kColourRampTexels) * 3);
    if (square) {
        DecodedImage face = image;
        squareUp(face);
        FUZZ_CHECK(face.width == std::max(image.width, image.height) && face.height == face.width);
        FUZZ_CHECK(sized(face));
    }
    if (pixelCount(image) > kMaxChainPixels)
        return;
    flipRows(image);
    while (image.width > 1 || image.height > 1) {
        image = halveImage(image);
        FUZZ_CHECK(sized(image));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool oneThread = processHasOneThread();
    if (!oneThread) {
        std::fputs("image_fuzzer: run it with -rss_limit_mb=0, so that SOIL decodes in child processes\n", stderr);
        std::_Exit(2);
    }
    static const FuzzInputFile input("image");

    checkSteps(imageFrom(data, size), true);
    FUZZ_CHECK(fillColourRamp(data, size / 3).size() == size_t(kColourRampTexels) * 3);

    const bool mayReachSoil = soilMayDecode(data, size);
    DecodedImage image;
    if (ImageDecode(input.write(data, size), kDecodeWait).take(image)) {
        FUZZ_CHECK(mayReachSoil);
        FUZZ_CHECK(image.width > 0 && image.height > 0);
        checkSteps(std::move(image), false);
    }
    return 0;
}
