// Frame capture: resolve the window's samples where needed, read back, encode with
// stb_image_write (rows flipped to top first).
#include "app/frame_capture.h"

#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool writeOutputPng(const std::string& path, const RenderTargets& targets, const char* program)
{
    const int width = targets.width, height = targets.height;
    GLuint colour = 0, resolved = 0;
    GLuint readFrom = targets.outputFbo;
    if (!targets.offscreenOutput) {
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glGenFramebuffers(1, &resolved);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        readFrom = resolved;
    }

    // Rows arrive bottom first; three bytes a pixel, packed.
    std::vector<unsigned char> rows(std::size_t(width) * std::size_t(height) * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFrom);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);

    glBindFramebuffer(GL_FRAMEBUFFER, targets.outputFbo);
    if (resolved) {
        glDeleteFramebuffers(1, &resolved);
        glDeleteRenderbuffers(1, &colour);
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
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
