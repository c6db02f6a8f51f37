// PNG and JPEG files of the asset tool's images, encoded in memory by stb_image_write and put on
// disk by the safe writer (resources/safe_write.h). The encoder stays private
// to this file (static): libSOIL exports stbi_write_bmp and stbi_write_tga, which a second,
// external copy would interpose. Its JPEG bit packer shifts into the sign bit of an int, so the
// sanitizer build leaves shifts unchecked here.
#include "tools/assets/image.h"

#include "resources/safe_write.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size)
{
    std::string& out = *static_cast<std::string*>(context);
    out.append(static_cast<const char*>(data), std::size_t(size));
}

// Writes the encoded file, or says that the encoder failed (it fails only when out of memory).
bool writeEncoded(bool encoded, const std::string& path, const std::string& bytes, std::string& error)
{
    if (!encoded) {
        error = "the image could not be encoded";
        return false;
    }
    return writeFileSafely(path, bytes, error);
}

}  // namespace

bool writePng(const std::string& path, const Image& image, std::string& error)
{
    const std::vector<uint8_t> texels = toRgb8(image);
    std::string file;
    const bool encoded =
        stbi_write_png_to_func(appendBytes, &file, image.width, image.height, 3, texels.data(), image.width * 3) != 0;
    return writeEncoded(encoded, path, file, error);
}

bool writeJpg(const std::string& path, const Image& image, std::string& error, int quality)
{
    const std::vector<uint8_t> texels = toRgb8(image);
    std::string file;
    const bool encoded =
        stbi_write_jpg_to_func(appendBytes, &file, image.width, image.height, 3, texels.data(), quality) != 0;
    return writeEncoded(encoded, path, file, error);
}
