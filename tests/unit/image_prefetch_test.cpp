// Decoding ahead: a prefetched file gives the same pixels as a decode made on demand, reports a
// failure only when a load takes it (so the console keeps the start-up's order), and is taken
// once; dropping forgets what no load took.
#include "scene/texture.h"
#include "test_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kData = "tests/data/hardening/";

DecodedImage decoded(const std::string& path)
{
    DecodedImage image;
    EXPECT_TRUE(decodeImage(path, image)) << path;
    return image;
}

void expectSame(const DecodedImage& a, const DecodedImage& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST(ImagePrefetchTest, PrefetchedFilesDecodeAsOnDemandAndFailuresSpeakOnlyWhenLoaded)
{
    const DecodedImage png = decoded(kData + "rgb.png");
    const DecodedImage grey = decoded(kData + "greyalpha.png");
    const DecodedImage jpeg = decoded(kData + "rgb.jpg");

    const std::string missing = kData + "no_such_image.png";
    const std::string corrupt = kData + "png_bad_huffman_lengths.png";
    // Queued twice in one call and again in a second: each file is decoded once.
    EXPECT_EQ(printedBy([&] {
                  prefetchImages({kData + "rgb.png", missing, kData + "greyalpha.png", corrupt, kData + "rgb.png"});
                  prefetchImages({kData + "rgb.jpg", missing});
              }),
              "");

    // Taken out of order, each as decodeImage would have made it.
    expectSame(decoded(kData + "rgb.jpg"), jpeg);
    expectSame(decoded(kData + "rgb.png"), png);
    DecodedImage failed;
    EXPECT_EQ(printedBy([&] { EXPECT_FALSE(decodeImage(corrupt, failed)); }),
              "SOIL loading error: 'Corrupt image: the decoder failed on it'\n");
    EXPECT_EQ(printedBy([&] { EXPECT_FALSE(decodeImage(missing, failed)); }),
              "SOIL loading error: 'Unable to open file'\n");
    expectSame(decoded(kData + "greyalpha.png"), grey);

    // Each result is taken once: a second load decodes again, with the same outcome.
    expectSame(decoded(kData + "rgb.png"), png);
    EXPECT_EQ(printedBy([&] { EXPECT_FALSE(decodeImage(missing, failed)); }),
              "SOIL loading error: 'Unable to open file'\n");
    dropPrefetchedImages();
}

TEST(ImagePrefetchTest, DroppedResultsAreForgottenAndLoadsDecodeOnDemand)
{
    const DecodedImage png = decoded(kData + "rgb.png");
    prefetchImages({kData + "rgb.png", kData + "rgb.jpg", kData + "no_such_image.png"});
    EXPECT_EQ(printedBy([] { dropPrefetchedImages(); }), "");

    expectSame(decoded(kData + "rgb.png"), png);
    DecodedImage failed;
    EXPECT_EQ(printedBy([&] { EXPECT_FALSE(decodeImage(kData + "no_such_image.png", failed)); }),
              "SOIL loading error: 'Unable to open file'\n");
    // A prefetch after a drop decodes ahead again.
    prefetchImages({kData + "rgb.png"});
    expectSame(decoded(kData + "rgb.png"), png);
    dropPrefetchedImages();
}

}  // namespace
