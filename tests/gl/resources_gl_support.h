// GL-side test support for the resources tests: counting live shader and program objects (to
// prove an operation leaves none behind) and reading a shader's driver log.
#pragma once

#include <GL/glew.h>
#include <algorithm>
#include <string>
#include <vector>

namespace resources_test {

struct LiveGlObjects {
    int shaders = 0;
    int programs = 0;
    bool operator==(const LiveGlObjects& other) const
    {
        return shaders == other.shaders && programs == other.programs;
    }
};

// Counts live objects over every name up to well past the newest one; names may be reused, so
// counting beats remembering which names an operation would have made.
inline LiveGlObjects liveGlObjects()
{
    const GLuint newest = glCreateShader(GL_VERTEX_SHADER);
    glDeleteShader(newest);
    LiveGlObjects live;
    for (GLuint name = 1; name < std::max<GLuint>(newest + 256, 4096); ++name) {
        live.shaders += glIsShader(name) ? 1 : 0;
        live.programs += glIsProgram(name) ? 1 : 0;
    }
    return live;
}

inline std::string shaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<GLchar> log(static_cast<size_t>(std::max(length, 0)) + 1, 0);
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    return log.data();
}

inline std::string programLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<GLchar> log(static_cast<size_t>(std::max(length, 0)) + 1, 0);
    glGetProgramInfoLog(program, length, nullptr, log.data());
    return log.data();
}

}  // namespace resources_test
