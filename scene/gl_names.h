// Releasing GL objects: each deleter deletes a name only when it is non-zero and then zeroes it,
// so an object's release can run twice (or before anything was made) without a GL error.
// Every unit that makes GL objects releases them through these. Need a current context.
#pragma once

#include <GL/glew.h>

inline void deleteTexture(GLuint& name)
{
    if (name)
        glDeleteTextures(1, &name);
    name = 0;
}

inline void deleteBuffer(GLuint& name)
{
    if (name)
        glDeleteBuffers(1, &name);
    name = 0;
}

inline void deleteVertexArray(GLuint& name)
{
    if (name)
        glDeleteVertexArrays(1, &name);
    name = 0;
}

inline void deleteFramebuffer(GLuint& name)
{
    if (name)
        glDeleteFramebuffers(1, &name);
    name = 0;
}

inline void deleteSampler(GLuint& name)
{
    if (name)
        glDeleteSamplers(1, &name);
    name = 0;
}

inline void deleteProgram(GLuint& name)
{
    if (name)
        glDeleteProgram(name);
    name = 0;
}
