// PNG and JPEG files of the asset tool's images, through stb_image_write. The writer stays private
// to this file (static): libSOIL exports stbi_write_bmp and stbi_write_tga, which a second,
// external copy would interpose. Its JPEG bit packer shifts into the sign bit of an int, so the
// sanitizer build leaves shifts unchecked here.
#include "tools/assets/image.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool writePng(const std::string& path, const Image& image)
{
    const std::vector<uint8_t> bytes = toRgb8(image);
    return stbi_write_png(path.c_str(), image.width, image.height, 3, bytes.data(), image.width * 3) != 0;
}

bool writeJpg(const std::string& path, const Image& image, int quality)
{
    const std::vector<uint8_t> bytes = toRgb8(image);
    return stbi_write_jpg(path.c_str(), image.width, image.height, 3, bytes.data(), quality) != 0;
}
