// Frame capture: the surface reads its output back, stb_image_write encodes it into memory (rows
// flipped to top first), and the safe writer puts the bytes on disk whole or not at all.
#include "app/frame_capture.h"

#include "resources/safe_write.h"

#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size)
{
    std::vector<unsigned char>& out = *static_cast<std::vector<unsigned char>*>(context);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

bool writeOutputPng(const std::string& path, const Surface& surface, int width, int height, const char* program)
{
    std::vector<unsigned char> rows;
    GLenum error = GL_NO_ERROR;
    if (!surface.readOutput(width, height, rows, error)) {
        std::fprintf(stderr, "%s: reading the output back failed (GL error 0x%x); no PNG written\n", program, error);
        return false;
    }
    stbi_flip_vertically_on_write(1);
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, 3, rows.data(), width * 3)) {
        std::fprintf(stderr, "%s: cannot encode %s as PNG\n", program, path.c_str());
        return false;
    }
    std::string reason;
    if (!writeFileSafely(path, png.data(), png.size(), reason)) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", program, path.c_str(), reason.c_str());
        return false;
    }
    return true;
}
