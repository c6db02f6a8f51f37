// PNG fixtures through stb_image_write, kept private to this unit so it never clashes with
// another user of the same header.
#include "gl/meshes_image_files.h"
#include "fixture.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

std::string writePngFixture(const std::string& name, int width, int height, int channels,
                            const std::vector<unsigned char>& pixels)
{
    const std::string path = writeFixtureFile(name, "");
    EXPECT_EQ(pixels.size(), static_cast<size_t>(width * height * channels));
    EXPECT_NE(stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels), 0);
    return path;
}
