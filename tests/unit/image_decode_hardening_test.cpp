// The CPU side of image loading against files that once failed: inputs the fuzzer found and
// crafted headers that crash SOIL's own readers. Each must give one console line and a failed
// decode (or a black ramp), never a crash or a leak, whether decoded ahead or when taken; good
// PNG and JPEG files still decode.
#include "fixture.h"
#include "scene/image_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const std::string kData = "tests/data/hardening/";

// Writes bytes to a fixture file and returns its path.
std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    return writeFixtureFile(name, std::string(bytes.begin(), bytes.end()));
}

// A TGA header claiming an uncompressed 24-bit image of width x height, then a few bytes.
std::vector<uint8_t> tgaClaiming(uint16_t width, uint16_t height)
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint16_t side : {width, height}) {
        bytes.push_back(uint8_t(side & 0xFF));
        bytes.push_back(uint8_t(side >> 8));
    }
    bytes.push_back(24);
    bytes.push_back(0);
    bytes.insert(bytes.end(), 20, 0x10);
    return bytes;
}

// A BMP header (BITMAPINFOHEADER, 24 bits) claiming width x height, then a few bytes.
std::vector<uint8_t> bmpClaiming(int32_t width, int32_t height)
{
    std::vector<uint8_t> bytes = {'B', 'M'};
    const auto put = [&](uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bytes.push_back(uint8_t(value >> (8 * i)));
    };
    put(1000, 4), put(0, 4), put(54, 4);
    put(40, 4), put(uint32_t(width), 4), put(uint32_t(height), 4), put(1, 2), put(24, 2);
    for (int i = 0; i < 6; ++i)
        put(0, 4);
    bytes.insert(bytes.end(), 100, 0x20);
    return bytes;
}

const std::string kUnknownLine = "SOIL loading error: 'Image not of any known type, or corrupt'\n";
// A decoder that crashes: the line names the file.
std::string decoderLine(const std::string& path)
{
    return "SOIL loading error: 'Corrupt image " + path + ": the decoder failed on it'\n";
}

void expectRefused(const std::string& path, const std::string& line)
{
    DecodedImage image;
    bool decoded = true;
    EXPECT_EQ(printedBy([&] { decoded = ImageDecode(path).take(image); }), line) << path;
    EXPECT_FALSE(decoded) << path;
    // Started ahead, it keeps quiet until it is taken.
    ImageDecode ahead("");
    EXPECT_EQ(printedBy([&] { ahead = ImageDecode::start(path); }), "") << path;
    EXPECT_EQ(printedBy([&] { decoded = ahead.take(image); }), line) << path;
    EXPECT_FALSE(decoded) << path;
    std::vector<unsigned char> ramp;
    EXPECT_EQ(printedBy([&] { ramp = decodeColourRamp(path); }), line) << path;
    EXPECT_EQ(ramp, std::vector<unsigned char>(kColourRampTexels * 3, 0)) << path;
}

TEST(ImageDecodeTest, CorruptPngThatFailsAnAssertionInsideSoilIsReportedNotFatal)
{
    expectRefused(kData + "png_bad_huffman_lengths.png", decoderLine(kData + "png_bad_huffman_lengths.png"));
}

TEST(ImageDecodeTest, FormatsWhoseReadersTrustTheirHeadersNeverReachSoil)
{
    // Fuzzer finds: a BMP whose failed decode leaked SOIL's buffer; 35 bytes of TGA that decoded
    // as an 8960 x 11283 image of padding in seconds.
    expectRefused(kData + "corrupt_short_palette.bmp", kUnknownLine);
    expectRefused(kData + "tga_huge_from_35_bytes.tga", kUnknownLine);
    // Headers whose sizes overflow SOIL's arithmetic: each crashed it outright.
    expectRefused(writeBytes("huge.tga", tgaClaiming(65535, 65535)), kUnknownLine);
    expectRefused(writeBytes("huge.bmp", bmpClaiming(0x10000, 0x10000)), kUnknownLine);
    expectRefused(writeBytes("empty.png", {}), kUnknownLine);
}

TEST(ImageDecodeTest, MissingFileKeepsSoilsOwnReason)
{
    expectRefused(kData + "no_such_image.png", "SOIL loading error: 'Unable to open file'\n");
}

TEST(ImageDecodeTest, GoodPngAndJpegStillDecode)
{
    DecodedImage rgb, greyAlpha, jpeg;
    ASSERT_TRUE(ImageDecode(kData + "rgb.png").take(rgb));
    EXPECT_EQ(rgb.width, 4);
    EXPECT_EQ(rgb.height, 3);
    EXPECT_EQ(rgb.channels, 3);
    EXPECT_EQ(rgb.pixels.size(), 4u * 3u * 3u);
    // The gradient runs from red at the top to blue at the bottom.
    EXPECT_GT(rgb.pixels[0], 200);
    EXPECT_GT(rgb.pixels[rgb.pixels.size() - 1], 200);

    ASSERT_TRUE(ImageDecode(kData + "greyalpha.png").take(greyAlpha));
    EXPECT_EQ(greyAlpha.channels, 4);
    ASSERT_EQ(greyAlpha.pixels.size(), 3u * 2u * 4u);
    EXPECT_EQ(greyAlpha.pixels[0], greyAlpha.pixels[1]);
    EXPECT_EQ(greyAlpha.pixels[0], greyAlpha.pixels[2]);
    EXPECT_NEAR(greyAlpha.pixels[3], 128, 1);

    ASSERT_TRUE(ImageDecode(kData + "rgb.jpg").take(jpeg));
    EXPECT_EQ(jpeg.width, 8);
    EXPECT_EQ(jpeg.channels, 3);

    const std::vector<unsigned char> ramp = decodeColourRamp(kData + "rgb.png");
    EXPECT_EQ(std::vector<unsigned char>(ramp.begin(), ramp.begin() + 3),
              std::vector<unsigned char>(rgb.pixels.begin(), rgb.pixels.begin() + 3));
}

TEST(ImageDecodeTest, ColourRampRepeatsTheLastPixelAndNeverReadsPastTheImage)
{
    // Exactly two pixels on the heap, so a read past them is caught by the sanitizers.
    const std::vector<unsigned char> two = {1, 2, 3, 4, 5, 6};
    const std::vector<unsigned char> ramp = fillColourRamp(two.data(), 2);
    ASSERT_EQ(ramp.size(), size_t(kColourRampTexels) * 3);
    EXPECT_EQ(ramp[0], 1);
    for (size_t texel = 1; texel < size_t(kColourRampTexels); ++texel)
        EXPECT_EQ(ramp[texel * 3 + 2], 6) << texel;
    EXPECT_EQ(fillColourRamp(nullptr, 0), std::vector<unsigned char>(kColourRampTexels * 3, 0));
}

TEST(ImageDecodeTest, MipChainAndCubeFaceOfOddAndThinImagesStayInsideTheirImages)
{
    DecodedImage image;
    image.width = 5;
    image.height = 1;
    image.channels = 3;
    image.pixels.assign(5 * 3, 90);
    flipRows(image);
    int levels = 0;
    while (image.width > 1 || image.height > 1) {
        image = halveImage(image);
        ASSERT_EQ(image.pixels.size(), size_t(image.width) * size_t(image.height) * 3);
        ++levels;
    }
    EXPECT_EQ(levels, 2);
    EXPECT_EQ(image.pixels[0], 90);

    // A cube face from a line of pixels: every line of the square repeats it (SOIL's stretch
    // read the line before such an image, which valgrind reports).
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{5, 1}, {1, 3}}) {
        DecodedImage line;
        line.width = width;
        line.height = height;
        line.channels = 3;
        for (int i = 0; i < width * height * 3; ++i)
            line.pixels.push_back(static_cast<unsigned char>(40 * i));
        DecodedImage square = line;
        squareUp(square);
        const int side = std::max(width, height);
        ASSERT_EQ(square.width, side);
        ASSERT_EQ(square.height, side);
        ASSERT_EQ(square.pixels.size(), size_t(side * side * 3));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                EXPECT_EQ(square.pixels[size_t((y * side + x) * 3 + 1)], line.pixels[size_t((width > 1 ? x : y) * 3 + 1)])
                    << width << "x" << height << " at " << x << "," << y;
    }
}

TEST(ImageDecodeTest, MipLevelIsTheRoundedMeanOfEachTwoByTwoBlockForEverySideAndChannelCount)
{
    // The plain definition: block (2x, 2y)..(2x + 1, 2y + 1), coordinates clamped to the image.
    const auto expected = [](const DecodedImage& src, int x, int y, int k) {
        const auto at = [&](int px, int py) {
            px = std::min(px, src.width - 1);
            py = std::min(py, src.height - 1);
            return int(src.pixels[(size_t(py) * size_t(src.width) + size_t(px)) * size_t(src.channels) + size_t(k)]);
        };
        return (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1) + 2) / 4;
    };
    unsigned seed = 12345;
    for (int channels = 1; channels <= 4; ++channels)
        for (const auto& [width, height] : std::vector<std::pair<int, int>>{{8, 4}, {7, 5}, {1, 6}, {6, 1}, {1, 1}, {3, 2}}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(channels));
            DecodedImage src;
            src.width = width;
            src.height = height;
            src.channels = channels;
            for (int i = 0; i < width * height * channels; ++i) {
                seed = seed * 1103515245u + 12345u;
                src.pixels.push_back(static_cast<unsigned char>(seed >> 16));
            }
            const DecodedImage dst = halveImage(src);
            ASSERT_EQ(dst.width, std::max(1, width / 2));
            ASSERT_EQ(dst.height, std::max(1, height / 2));
            ASSERT_EQ(dst.pixels.size(), size_t(dst.width) * size_t(dst.height) * size_t(channels));
            for (int y = 0; y < dst.height; ++y)
                for (int x = 0; x < dst.width; ++x)
                    for (int k = 0; k < channels; ++k)
                        ASSERT_EQ(int(dst.pixels[(size_t(y) * size_t(dst.width) + size_t(x)) * size_t(channels) + size_t(k)]),
                                  expected(src, x, y, k))
                            << x << "," << y << " channel " << k;
        }
}

}  // namespace
