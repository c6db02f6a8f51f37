// Shader compilation and linking. compileStage, the driver's logs and the status texts are the
// silent building blocks of ShaderProgram; loadShaders reads two source files, builds a fixed program into a
// ProgramHandle and reports each step (and the driver's logs) on standard output.
#include "resources/shader.h"

#include "scene/gl_debug.h"
#include "scene/gl_names.h"

#include <cstdio>
#include <fstream>
#include <vector>

GLenum shaderTypeOf(int32_t stage)
{
    switch (stage) {
    case Vertex: return GL_VERTEX_SHADER;
    case TessControl: return GL_TESS_CONTROL_SHADER;
    case TessEvaluation: return GL_TESS_EVALUATION_SHADER;
    case Geometry: return GL_GEOMETRY_SHADER;
    case Fragment: return GL_FRAGMENT_SHADER;
    default: return 0;
    }
}

const char* stageName(int32_t stage)
{
    switch (stage) {
    case Vertex: return "vertex";
    case TessControl: return "tessellation control";
    case TessEvaluation: return "tessellation evaluation";
    case Geometry: return "geometry";
    case Fragment: return "fragment";
    default: return "unknown";
    }
}

// A stage without a GL type is refused here rather than handed to glCreateShader, which would
// fail the same way but leave a GL error behind for the frame's error check.
GLuint compileStage(int32_t stage, const std::string& source)
{
    const GLenum type = shaderTypeOf(stage);
    if (type == 0)
        return 0;
    const GLuint shader = glCreateShader(type);
    if (shader == 0)
        return 0;
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

namespace {
using GetIv = void (*)(GLuint, GLenum, GLint*);
using GetLog = void (*)(GLuint, GLsizei, GLsizei*, GLchar*);

std::string infoLog(GLuint object, GetIv getIv, GetLog getLog)
{
    GLint length = 0;
    getIv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return {};
    std::vector<GLchar> log(static_cast<size_t>(length));
    GLsizei written = 0;
    getLog(object, length, &written, log.data());
    return std::string(log.data(), static_cast<size_t>(written));
}

std::string statusText(GLuint object, GLenum status, const char* header, GetIv getIv, GetLog getLog)
{
    GLint ok = 1;
    getIv(object, status, &ok);
    if (ok)
        return {};
    std::string text = header;
    const std::string log = infoLog(object, getIv, getLog);
    if (!log.empty())
        text += log + "\n";
    return text;
}

// Source text as loadShaders builds it: every line followed by one "\n", so that the driver's
// line numbers are the file's. False when the file cannot be opened.
bool readSourceLines(const char* path, std::string& source)
{
    std::ifstream file(path);
    if (!file)
        return false;
    std::string line;
    while (std::getline(file, line)) {
        source += line;
        source += "\n";
    }
    return true;
}

// The driver's log, if it has one, as one printed text with a line end added.
void printInfoLog(GLuint object, GetIv getIv, GetLog getLog)
{
    GLint length = 0;
    getIv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return;
    std::vector<GLchar> log(static_cast<size_t>(length) + 1, 0);
    getLog(object, length, nullptr, log.data());
    std::printf("%s\n", log.data());
}

void compileAndReport(GLuint shader, const char* path, const std::string& source)
{
    std::printf("Compiling shader : %s", path);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    std::printf(" - %d\n", static_cast<int>(shader));
    printInfoLog(shader, glGetShaderiv, glGetShaderInfoLog);
}
}  // namespace

std::string shaderInfoLog(GLuint shader)
{
    return infoLog(shader, glGetShaderiv, glGetShaderInfoLog);
}

std::string programInfoLog(GLuint program)
{
    return infoLog(program, glGetProgramiv, glGetProgramInfoLog);
}

std::string shaderStatusText(GLuint shader)
{
    return statusText(shader, GL_COMPILE_STATUS, "Shader error ocurred\n", glGetShaderiv, glGetShaderInfoLog);
}

std::string programStatusText(GLuint program)
{
    return statusText(program, GL_LINK_STATUS, "Program error ocurred\n", glGetProgramiv, glGetProgramInfoLog);
}

void loadShaders(ProgramHandle& handle, const char* vertexPath, const char* fragmentPath)
{
    const GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    const GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);

    std::string vertexSource;
    if (!readSourceLines(vertexPath, vertexSource)) {
        std::printf("Impossible to open %s. Are you in the right directory ? Don't forget to read the FAQ !\n",
                    vertexPath);
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        return;
    }
    // A fragment file that cannot be opened leaves its source empty; the driver's logs say the rest.
    std::string fragmentSource;
    readSourceLines(fragmentPath, fragmentSource);

    compileAndReport(vertexShader, vertexPath, vertexSource);
    compileAndReport(fragmentShader, fragmentPath, fragmentSource);

    std::printf("Linking program");
    handle.name = glCreateProgram();
    glAttachShader(handle.name, vertexShader);
    glAttachShader(handle.name, fragmentShader);
    glLinkProgram(handle.name);
    GLint linkStatus = GL_FALSE;
    glGetProgramiv(handle.name, GL_LINK_STATUS, &linkStatus);
    handle.linked = linkStatus == GL_TRUE;
    std::printf(" - %d\n", static_cast<int>(handle.name));
    printInfoLog(handle.name, glGetProgramiv, glGetProgramInfoLog);
    labelObject(GL_PROGRAM, handle.name, std::string(vertexPath) + " + " + fragmentPath);

    // Both stay attached, and alive, until the program itself is deleted.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
}

void ProgramHandle::release()
{
    deleteProgram(name);
    linked = false;
}

// A program that did not link cannot be made current; none is then, and the pass draws nothing.
void ProgramHandle::use() const
{
    glUseProgram(linked ? name : 0);
}

void ProgramHandle::setCubeMap(GLuint texture, const char* uniform, int unit) const
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    if (linked)
        glUniform1i(glGetUniformLocation(name, uniform), unit);
}

void ProgramHandle::setTexture2D(GLuint texture, const char* uniform, int unit) const
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (linked)
        glUniform1i(glGetUniformLocation(name, uniform), unit);
}

void ProgramHandle::setFloatArray(const float* values, int count, const char* uniform) const
{
    if (!linked)
        return;
    glUniform1fv(glGetUniformLocation(name, uniform), count, values);
}

void ProgramHandle::setInt(int value, const char* uniform) const
{
    if (!linked)
        return;
    glUniform1i(glGetUniformLocation(name, uniform), value);
}

void ProgramHandle::setVec2Array(const float* values, int count, const char* uniform) const
{
    if (!linked)
        return;
    glUniform2fv(glGetUniformLocation(name, uniform), count, values);
}

void ProgramHandle::setMat4(const float* values, const char* uniform) const
{
    if (!linked)
        return;
    glUniformMatrix4fv(glGetUniformLocation(name, uniform), 1, GL_FALSE, values);
}

void ProgramHandle::setVec3(const glm::vec3& value, const char* uniform) const
{
    if (!linked)
        return;
    glUniform3f(glGetUniformLocation(name, uniform), value.x, value.y, value.z);
}

void ProgramHandle::setVec4(const glm::vec4& value, const char* uniform) const
{
    if (!linked)
        return;
    glUniform4f(glGetUniformLocation(name, uniform), value.x, value.y, value.z, value.w);
}
