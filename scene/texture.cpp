// Texture loading: owns the path from an image file to a GL texture. SOIL decodes the file;
// this unit expands grey images to colour, flips rows, builds the mip chain, compresses to DXT
// when the driver offers S3TC, and uploads. It leaves the texture unbound and the unpack
// alignment as it found it; failures go to standard output as one SOIL line each.
#include "scene/texture.h"

#include <SOIL/SOIL.h>
#include <SOIL/image_helper.h>
// libSOIL's DXT encoder has C linkage but its header does not say so.
extern "C" {
#include <SOIL/image_DXT.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int kRampTexels = 256;
constexpr int kRgbChannels = 3;

// Decoded pixels owned in our own vector (SOIL's buffer is freed at once), rows top first.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA) after decoding
    std::vector<unsigned char> pixels;
};

void reportSoilFailure()
{
    std::printf("SOIL loading error: '%s'\n", SOIL_last_result());
}

// Decodes through SOIL; grey and grey-alpha images become RGB and RGBA because a core profile
// has no luminance formats. Prints the SOIL line and returns false when decoding fails.
bool decodeImage(const std::string& path, Image& image)
{
    int channels = 0;
    unsigned char* data = SOIL_load_image(path.c_str(), &image.width, &image.height, &channels,
                                          SOIL_LOAD_AUTO);
    if (!data || image.width <= 0 || image.height <= 0 || channels < 1 || channels > 4) {
        if (data)
            SOIL_free_image_data(data);
        reportSoilFailure();
        return false;
    }
    const bool hasAlpha = channels == 2 || channels == 4;
    image.channels = hasAlpha ? 4 : 3;
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (channels == image.channels) {
        image.pixels.assign(data, data + count * static_cast<size_t>(channels));
    } else {
        image.pixels.resize(count * static_cast<size_t>(image.channels));
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* in = data + i * static_cast<size_t>(channels);
            unsigned char* out = &image.pixels[i * static_cast<size_t>(image.channels)];
            out[0] = out[1] = out[2] = in[0];
            if (hasAlpha)
                out[3] = in[1];
        }
    }
    SOIL_free_image_data(data);
    return true;
}

void flipRows(Image& image)
{
    const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(image.pixels.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
}

// The next mip level by averaging 2 x 2 blocks. Sizes follow GL's rule, max(1, floor(size / 2)):
// an odd side leaves its last line out, a side of 1 is averaged with itself.
Image halve(const Image& src)
{
    Image dst;
    dst.width = std::max(1, src.width / 2);
    dst.height = std::max(1, src.height / 2);
    dst.channels = src.channels;
    dst.pixels.resize(static_cast<size_t>(dst.width) * static_cast<size_t>(dst.height) *
                      static_cast<size_t>(dst.channels));
    const int c = src.channels;
    for (int y = 0; y < dst.height; ++y) {
        const int y0 = std::min(2 * y, src.height - 1);
        const int y1 = std::min(2 * y + 1, src.height - 1);
        for (int x = 0; x < dst.width; ++x) {
            const int x0 = std::min(2 * x, src.width - 1);
            const int x1 = std::min(2 * x + 1, src.width - 1);
            const unsigned char* a = &src.pixels[(static_cast<size_t>(y0) * src.width + x0) * c];
            const unsigned char* b = &src.pixels[(static_cast<size_t>(y0) * src.width + x1) * c];
            const unsigned char* d = &src.pixels[(static_cast<size_t>(y1) * src.width + x0) * c];
            const unsigned char* e = &src.pixels[(static_cast<size_t>(y1) * src.width + x1) * c];
            unsigned char* out = &dst.pixels[(static_cast<size_t>(y) * dst.width + x) * c];
            for (int k = 0; k < c; ++k)
                out[k] = static_cast<unsigned char>((a[k] + b[k] + d[k] + e[k] + 2) / 4);
        }
    }
    return dst;
}

// Cube-map faces must be square: a wider or taller image is stretched to its larger side.
void squareUp(Image& image)
{
    if (image.width == image.height)
        return;
    Image square;
    square.width = square.height = std::max(image.width, image.height);
    square.channels = image.channels;
    square.pixels.resize(static_cast<size_t>(square.width) * static_cast<size_t>(square.height) *
                         static_cast<size_t>(square.channels));
    up_scale_image(image.pixels.data(), image.width, image.height, image.channels, square.pixels.data(),
                   square.width, square.height);
    image = std::move(square);
}

// Core profiles have no GL_EXTENSIONS string; the list is walked one name at a time.
bool driverHasS3tc()
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (name && std::strcmp(name, "GL_EXT_texture_compression_s3tc") == 0)
            return true;
    }
    return false;
}

// Uploads one level, compressed on the CPU by SOIL's DXT encoder (DXT1 for RGB, DXT5 for
// RGBA) when compress is set; falls back to an uncompressed level if the encoder refuses.
void uploadLevel(GLenum target, GLint level, const Image& image, bool compress)
{
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;
    if (compress) {
        int size = 0;
        unsigned char* blocks =
            image.channels == 4
                ? convert_image_to_DXT5(image.pixels.data(), image.width, image.height, image.channels, &size)
                : convert_image_to_DXT1(image.pixels.data(), image.width, image.height, image.channels, &size);
        if (blocks) {
            const GLenum internal = image.channels == 4 ? GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
                                                        : GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
            glCompressedTexImage2D(target, level, internal, image.width, image.height, 0, size, blocks);
            SOIL_free_image_data(blocks);
            return;
        }
    }
    glTexImage2D(target, level, static_cast<GLint>(format), image.width, image.height, 0, format,
                 GL_UNSIGNED_BYTE, image.pixels.data());
}

// Tightly packed rows for the duration of one upload; the caller's alignment comes back after.
class UnpackAlignmentOne {
public:
    UnpackAlignmentOne()
    {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~UnpackAlignmentOne() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous); }
    UnpackAlignmentOne(const UnpackAlignmentOne&) = delete;
    UnpackAlignmentOne& operator=(const UnpackAlignmentOne&) = delete;

private:
    GLint previous = 4;
};

}  // namespace

GLuint loadTexture(const std::string& path)
{
    Image image;
    if (!decodeImage(path, image))
        return 0;
    flipRows(image);

    const bool compress = driverHasS3tc();
    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint level = 0;
    uploadLevel(GL_TEXTURE_2D, level, image, compress);
    while (image.width > 1 || image.height > 1) {
        image = halve(image);
        uploadLevel(GL_TEXTURE_2D, ++level, image, compress);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

GLuint loadTexture1D(const std::string& path)
{
    // Black unless the image supplies the texel; a short image repeats its last pixel.
    std::vector<unsigned char> ramp(static_cast<size_t>(kRampTexels) * kRgbChannels, 0);
    int width = 0;
    int height = 0;
    unsigned char* data = SOIL_load_image(path.c_str(), &width, &height, nullptr, SOIL_LOAD_RGB);
    if (data && width > 0 && height > 0) {
        const size_t available = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (size_t texel = 0; texel < static_cast<size_t>(kRampTexels); ++texel) {
            const size_t pixel = std::min(texel, available - 1);
            std::memcpy(&ramp[texel * kRgbChannels], data + pixel * kRgbChannels, kRgbChannels);
        }
    } else {
        reportSoilFailure();
    }
    if (data)
        SOIL_free_image_data(data);

    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, kRampTexels, 0, GL_RGB, GL_UNSIGNED_BYTE, ramp.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_1D, 0);
    return name;
}

GLuint loadCubeMap(const std::string& path)
{
    Image image;
    if (!decodeImage(path, image))
        return 0;

    squareUp(image);

    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_CUBE_MAP, name);
    for (GLenum face = 0; face < 6; ++face)
        uploadLevel(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, image, false);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return name;
}
