// Frame capture: the surface reads its output back, stb_image_write encodes it (rows flipped to
// top first).
#include "app/frame_capture.h"

#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool writeOutputPng(const std::string& path, const Surface& surface, int width, int height, const char* program)
{
    std::vector<unsigned char> rows;
    GLenum error = GL_NO_ERROR;
    if (!surface.readOutput(width, height, rows, error)) {
        std::fprintf(stderr, "%s: reading the output back failed (GL error 0x%x); no PNG written\n", program, error);
        return false;
    }
    stbi_flip_vertically_on_write(1);
    if (!stbi_write_png(path.c_str(), width, height, 3, rows.data(), width * 3)) {
        std::fprintf(stderr, "%s: cannot write %s\n", program, path.c_str());
        return false;
    }
    return true;
}
