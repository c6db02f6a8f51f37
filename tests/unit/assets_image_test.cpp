// The asset tool's images: what the run-time decoder can read back, the normal-map axes the
// lighting relies on, and the shape of the lens and sky images.
#include "fixture.h"
#include "tools/assets/image.h"

#include <SOIL/SOIL.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

namespace {

glm::vec3 decodeNormal(const glm::vec3& texel)
{
    return texel * 2.0f - 1.0f;
}

TEST(AssetsImageTest, WrittenFilesDecodeThroughSoilAsEightBitRgb)
{
    ScratchDirectory dir;
    Image image(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            image.at(x, y) = glm::vec3(x / 7.0f, y / 3.0f, 0.5f);
    const std::vector<uint8_t> expected = toRgb8(image);

    const std::string png = (dir.path / "ramp.png").string(), jpg = (dir.path / "ramp.jpg").string();
    std::string error;
    ASSERT_TRUE(writePng(png, image, error)) << error;
    ASSERT_TRUE(writeJpg(jpg, image, error)) << error;
    for (const std::string& path : {png, jpg}) {
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_AUTO);
        ASSERT_NE(pixels, nullptr) << path << ": " << SOIL_last_result();
        EXPECT_EQ(width, 8);
        EXPECT_EQ(height, 4);
        EXPECT_EQ(channels, 3);
        if (path == png) {
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), pixels));
        }
        SOIL_free_image_data(pixels);
    }
    EXPECT_FALSE(writePng((dir.path / "missing" / "x.png").string(), image, error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST(AssetsImageTest, BytesAreClampedAndRounded)
{
    Image image(3, 1);
    image.at(0, 0) = glm::vec3(-1.0f, 0.0f, 0.5f);
    image.at(1, 0) = glm::vec3(1.0f, 2.0f, 0.999f);
    image.at(2, 0) = glm::vec3(0.2f);
    EXPECT_EQ(toRgb8(image), (std::vector<uint8_t>{0, 0, 128, 255, 255, 255, 51, 51, 51}));
}

TEST(AssetsImageTest, NormalMapTiltsAgainstTheSlopeAlongUAndV)
{
    Field rightward(16, 16), upward(16, 16), flat(16, 16, 0.3f);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            rightward.at(x, y) = 0.1f * static_cast<float>(x);      // rises towards +u
            upward.at(x, y) = 0.1f * static_cast<float>(15 - y);    // rises towards the first row, +v
        }
    const glm::vec3 r = decodeNormal(normalMapFromHeight(rightward, 2.0f, false).at(8, 8));
    const glm::vec3 u = decodeNormal(normalMapFromHeight(upward, 2.0f, false).at(8, 8));
    const glm::vec3 f = decodeNormal(normalMapFromHeight(flat, 2.0f, false).at(8, 8));
    EXPECT_LT(r.x, -0.1f);
    EXPECT_NEAR(r.y, 0.0f, 1e-6f);
    EXPECT_LT(u.y, -0.1f);
    EXPECT_NEAR(u.x, 0.0f, 1e-6f);
    EXPECT_EQ(f, glm::vec3(0, 0, 1));
    EXPECT_NEAR(glm::length(r), 1.0f, 1e-5f);

    // A latitude-longitude map wraps across its seam: a height seam-free around gives a flat edge.
    Field band(16, 8, 0.0f);
    for (int x = 0; x < 16; ++x)
        band.at(x, 4) = 1.0f;
    const Image wrapped = normalMapFromHeight(band, 2.0f, true);
    EXPECT_EQ(wrapped.at(0, 4), wrapped.at(8, 4));
}

TEST(AssetsImageTest, LensColorRampIs256By1FromWarmToCool)
{
    const Image ramp = lensColorRamp();
    ASSERT_EQ(ramp.width, 256);
    ASSERT_EQ(ramp.height, 1);
    EXPECT_GT(ramp.at(0, 0).r, ramp.at(0, 0).b);
    EXPECT_GT(ramp.at(255, 0).b, ramp.at(255, 0).r);
    for (const glm::vec3& t : ramp.texels)
        EXPECT_GT(t.r + t.g + t.b, 0.5f);
}

TEST(AssetsImageTest, LensStarIsCentredAndFadesOutBeforeTheBorder)
{
    const Image star = lensStar(128, 1);
    EXPECT_FLOAT_EQ(star.at(64, 64).r, 1.0f);
    const std::vector<uint8_t> bytes = toRgb8(star);
    for (int k = 0; k < 128; ++k) {
        EXPECT_EQ(bytes[static_cast<size_t>(3 * k)], 0) << k;           // first row
        EXPECT_EQ(bytes[static_cast<size_t>(3 * 128 * k)], 0) << k;     // first column
    }
    for (const glm::vec3& t : star.texels) {
        EXPECT_TRUE(t.r == t.g && t.g == t.b);
    }
}

TEST(AssetsImageTest, StarFieldIsSparsePointsOffTheBorder)
{
    const Image stars = starField(256, 3);
    int lit = 0;
    float brightest = 0.0f;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const glm::vec3 t = stars.at(x, y);
            if (x < 2 || y < 2 || x > 253 || y > 253) {
                EXPECT_EQ(t, glm::vec3(0.0f)) << x << "," << y;
            }
            lit += t.r + t.g + t.b > 0.1f;
            brightest = std::max(brightest, std::max(t.r, std::max(t.g, t.b)));
        }
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, 256 * 256 / 10);
    EXPECT_GT(brightest, 0.7f);
}

} // namespace
