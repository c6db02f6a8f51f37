// Texture upload: owns the step from decoded pixels to a GL texture. Takes each decode
// (scene/image_decode.h), builds the mip chain, compresses to DXT when the driver offers S3TC,
// and uploads. It leaves the texture unbound and the unpack alignment as it found it.
#include "scene/texture.h"

#include "scene/gl_debug.h"

#include <SOIL/SOIL.h>
// libSOIL's DXT encoder has C linkage but its header does not say so.
extern "C" {
#include <SOIL/image_DXT.h>
}

#include <cstring>
#include <utility>
#include <vector>

namespace {

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
void uploadLevel(GLenum target, GLint level, const DecodedImage& image, bool compress)
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

GLuint loadTexture(ImageDecode decode)
{
    DecodedImage image;
    if (!decode.take(image))
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
        image = halveImage(image);
        uploadLevel(GL_TEXTURE_2D, ++level, image, compress);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    labelObject(GL_TEXTURE, name, decode.path());
    return name;
}

GLuint loadTexture1D(ImageDecode decode)
{
    const std::string path = decode.path();
    const std::vector<unsigned char> ramp = decodeColourRamp(std::move(decode));
    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, kColourRampTexels, 0, GL_RGB, GL_UNSIGNED_BYTE, ramp.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_1D, 0);
    labelObject(GL_TEXTURE, name, path);
    return name;
}

GLuint loadCubeMap(ImageDecode decode)
{
    DecodedImage image;
    if (!decode.take(image))
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
    labelObject(GL_TEXTURE, name, decode.path());
    return name;
}
