// checkGlError: reads one queued GL error and reports it on standard error.
#include "resources/gl_error.h"

#include <iostream>

const char* errorTextOf(GLenum error)
{
    switch (error) {
    case GL_NO_ERROR: return nullptr;
    case GL_INVALID_ENUM: return "GL: enum argument out of range.";
    case GL_INVALID_VALUE: return "GL: Numeric argument out of range.";
    case GL_INVALID_OPERATION: return "GL: Operation illegal in current state.";
    case GL_OUT_OF_MEMORY: return "GL: Not enough memory left to execute command.";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL: Framebuffer object is not complete.";
    default: return "GL: Unknown error.";
    }
}

void checkGlError()
{
    if (const char* text = errorTextOf(glGetError()))
        std::cerr << text << std::endl;
}
