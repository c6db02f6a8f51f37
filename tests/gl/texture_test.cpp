// Texture loading on real GL: failure lines, the 1D colour ramp's texels, the 2D texture's
// orientation, mip chain and compression, grey and alpha images, and the cube map's faces.
#include "gl_fixture.h"
#include "scene/texture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using Pixels = std::vector<unsigned char>;

const Pixels kRed{255, 0, 0};
const Pixels kBlue{0, 0, 255};

Pixels readTextureBytes(GLenum target, GLenum bindTarget, GLuint name, GLint level, GLenum format, size_t bytes)
{
    Pixels out(bytes, 0xCD);
    glBindTexture(bindTarget, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, level, format, GL_UNSIGNED_BYTE, out.data());
    glBindTexture(bindTarget, 0);
    return out;
}

Pixels texel(const Pixels& data, size_t index, size_t channels)
{
    return Pixels(data.begin() + static_cast<std::ptrdiff_t>(index * channels),
                  data.begin() + static_cast<std::ptrdiff_t>((index + 1) * channels));
}

// An RGB image whose pixel k (row order) is (k, 255 - k, 3k) modulo 256.
Pixels rampPixels(int count)
{
    Pixels p;
    for (int k = 0; k < count; ++k) {
        p.push_back(static_cast<unsigned char>(k));
        p.push_back(static_cast<unsigned char>(255 - k));
        p.push_back(static_cast<unsigned char>(3 * k));
    }
    return p;
}

// 8 x 8 RGB: rows 0-3 (the top of the image) red, rows 4-7 blue; whole 4 x 4 blocks survive DXT1.
Pixels redTopBlueBottom()
{
    Pixels p;
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            p.insert(p.end(), (row < 4 ? kRed : kBlue).begin(), (row < 4 ? kRed : kBlue).end());
    return p;
}

bool driverListsS3tc()
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i)
        if (std::strcmp(reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i))),
                        "GL_EXT_texture_compression_s3tc") == 0)
            return true;
    return false;
}

GLint textureParameter(GLenum target, GLuint name, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(target, name);
    glGetTexParameteriv(target, parameter, &value);
    glBindTexture(target, 0);
    return value;
}

GLint levelParameter(GLenum target, GLenum bindTarget, GLuint name, GLint level, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(bindTarget, name);
    glGetTexLevelParameteriv(target, level, parameter, &value);
    glBindTexture(bindTarget, 0);
    return value;
}

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { drainGlErrors(); }
    void TearDown() override
    {
        for (GLuint name : made)
            glDeleteTextures(1, &name);
        EXPECT_EQ(drainGlErrors(), 0);
    }
    GLuint keep(GLuint name)
    {
        if (name != 0)
            made.push_back(name);
        return name;
    }
    std::vector<GLuint> made;
};

TEST_F(TextureTest, MissingImagePrintsOneSoilLineAndGivesNameZero)
{
    const std::string path = missingFixtureFile("image.png");
    GLuint name = 1;
    EXPECT_EQ(printedBy([&] { name = loadTexture(path); }), "SOIL loading error: 'Unable to open file'\n");
    EXPECT_EQ(name, 0u);
    EXPECT_EQ(printedBy([&] { name = loadCubeMap(path); }), "SOIL loading error: 'Unable to open file'\n");
    EXPECT_EQ(name, 0u);

    const std::string corrupt = writeFixtureFile("corrupt.png", "not an image at all");
    EXPECT_EQ(printedBy([&] { name = loadTexture(corrupt); }),
              "SOIL loading error: 'Image not of any known type, or corrupt'\n");
    EXPECT_EQ(name, 0u);
}

TEST_F(TextureTest, RampFailureStillGivesADefinedBlackTexture)
{
    GLuint name = 0;
    EXPECT_EQ(printedBy([&] { name = keep(loadTexture1D(missingFixtureFile("ramp.png"))); }),
              "SOIL loading error: 'Unable to open file'\n");
    ASSERT_NE(name, 0u);
    EXPECT_EQ(readTextureBytes(GL_TEXTURE_1D, GL_TEXTURE_1D, name, 0, GL_RGB, 256 * 3), Pixels(256 * 3, 0));
}

TEST_F(TextureTest, RampMapsPixelKToTexelK)
{
    const GLuint name = keep(loadTexture1D(writePngFixture("ramp256.png", 256, 1, 3, rampPixels(256))));
    ASSERT_NE(name, 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_1D, GL_TEXTURE_1D, name, 0, GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(readTextureBytes(GL_TEXTURE_1D, GL_TEXTURE_1D, name, 0, GL_RGB, 256 * 3), rampPixels(256));
    EXPECT_EQ(textureParameter(GL_TEXTURE_1D, name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_1D, name, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST_F(TextureTest, WideRampContributesOnlyItsFirstRow)
{
    Pixels image = rampPixels(512);
    image.insert(image.end(), 512 * 3, 77);  // a second row that must not show
    const GLuint name = keep(loadTexture1D(writePngFixture("ramp512x2.png", 512, 2, 3, image)));
    EXPECT_EQ(readTextureBytes(GL_TEXTURE_1D, GL_TEXTURE_1D, name, 0, GL_RGB, 256 * 3), rampPixels(256));
}

// Run under AddressSanitizer too: 64 pixels must not be read as 256.
TEST_F(TextureTest, ShortRampRepeatsItsLastPixelWithoutReadingPastIt)
{
    const GLuint name = keep(loadTexture1D(writePngFixture("ramp8x8.png", 8, 8, 3, rampPixels(64))));
    const Pixels texels = readTextureBytes(GL_TEXTURE_1D, GL_TEXTURE_1D, name, 0, GL_RGB, 256 * 3);
    const Pixels last = texel(rampPixels(64), 63, 3);
    for (size_t k = 0; k < 256; ++k)
        ASSERT_EQ(texel(texels, k, 3), k < 64 ? texel(rampPixels(64), k, 3) : last) << "texel " << k;
}

TEST_F(TextureTest, FirstImageRowEndsAtTopOfTexture)
{
    const GLuint name = keep(loadTexture(writePngFixture("red_top.png", 8, 8, 3, redTopBlueBottom())));
    ASSERT_NE(name, 0u);
    // GL's row 0 is v = 0, so after the flip the blue bottom of the image comes first.
    const Pixels level0 = readTextureBytes(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 0, GL_RGB, 8 * 8 * 3);
    for (size_t row = 0; row < 8; ++row)
        for (size_t col = 0; col < 8; ++col)
            ASSERT_EQ(texel(level0, row * 8 + col, 3), row < 4 ? kBlue : kRed) << "row " << row << " col " << col;
}

TEST_F(TextureTest, TextureRepeatsWithAFullMipChainCompressedWhereListed)
{
    // Odd, non-power-of-two sizes: 5 x 3, 2 x 1, 1 x 1.
    const GLuint name = keep(loadTexture(writePngFixture("odd.png", 5, 3, 3, rampPixels(15))));
    ASSERT_NE(name, 0u);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, name, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, name, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, name, GL_TEXTURE_MAX_LEVEL), 2);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 1, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 1, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 2, GL_TEXTURE_WIDTH), 1);
    const GLint compressed = levelParameter(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 0, GL_TEXTURE_COMPRESSED);
    EXPECT_EQ(compressed == GL_TRUE, driverListsS3tc());
    if (driverListsS3tc()) {
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, GL_TEXTURE_2D, name, 0, GL_TEXTURE_INTERNAL_FORMAT),
                  GL_COMPRESSED_RGB_S3TC_DXT1_EXT);
    }
}

TEST_F(TextureTest, GreyAndAlphaImagesLoadInACoreProfile)
{
    const GLuint grey = keep(loadTexture(writePngFixture("grey.png", 4, 4, 1, Pixels(16, 128))));
    ASSERT_NE(grey, 0u);
    const Pixels greyTexels = readTextureBytes(GL_TEXTURE_2D, GL_TEXTURE_2D, grey, 0, GL_RGB, 16 * 3);
    for (size_t k = 0; k < 16; ++k)
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(greyTexels[3 * k + c], 128, 4) << "texel " << k;

    // Grey-alpha, top half transparent: alpha is kept (DXT5 where compressed) and flipped like colour.
    Pixels greyAlpha;
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            greyAlpha.insert(greyAlpha.end(), {200, static_cast<unsigned char>(row < 4 ? 0 : 255)});
    const GLuint alpha = keep(loadTexture(writePngFixture("grey_alpha.png", 8, 8, 2, greyAlpha)));
    const Pixels rgba = readTextureBytes(GL_TEXTURE_2D, GL_TEXTURE_2D, alpha, 0, GL_RGBA, 64 * 4);
    for (size_t row = 0; row < 8; ++row)
        EXPECT_EQ(rgba[(row * 8) * 4 + 3], row < 4 ? 255 : 0) << "row " << row;
}

TEST_F(TextureTest, CubeMapPutsTheUnflippedImageOnAllSixFaces)
{
    // 4 x 4, top row red and the rest blue.
    Pixels image;
    for (int k = 0; k < 16; ++k)
        image.insert(image.end(), (k < 4 ? kRed : kBlue).begin(), (k < 4 ? kRed : kBlue).end());
    const GLuint name = keep(loadCubeMap(writePngFixture("cube.png", 4, 4, 3, image)));
    ASSERT_NE(name, 0u);
    for (GLenum face = 0; face < 6; ++face)
        EXPECT_EQ(readTextureBytes(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, GL_TEXTURE_CUBE_MAP, name, 0, GL_RGB, 16 * 3), image)
            << "face " << face;
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, name, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, name, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);

    // Faces must be square: a 8 x 4 image is stretched to 8 x 8.
    const GLuint wide = keep(loadCubeMap(writePngFixture("cube_wide.png", 8, 4, 3, rampPixels(32))));
    ASSERT_NE(wide, 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP, wide, 0, GL_TEXTURE_HEIGHT), 8);
}

}  // namespace
