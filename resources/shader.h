// Shader compilation and linking: the silent routines behind ShaderProgram (compileStage, the
// driver's logs and the status texts) and loadShaders, which builds a fixed ProgramHandle and
// reports every step on standard output.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <string>

// Keys per-stage maps, so ordered maps visit stages in pipeline order.
enum ShaderStage : int32_t { Vertex = 0, TessControl = 1, TessEvaluation = 2, Geometry = 3, Fragment = 4 };

// GL shader type of a stage, or 0 for a value outside 0..4.
GLenum shaderTypeOf(int32_t stage);
// Lower-case stage name for messages ("vertex", "fragment", ...); "unknown" outside 0..4.
const char* stageName(int32_t stage);
// Creates and compiles one shader object; 0 only when glCreateShader fails.
GLuint compileStage(int32_t stage, const std::string& source);
// The driver's log of a shader or program object, byte for byte; empty when it has none.
std::string shaderInfoLog(GLuint shader);
std::string programInfoLog(GLuint program);
// Empty when the status (GL_COMPILE_STATUS) is true, else "Shader error ocurred\n" + log + "\n".
std::string shaderStatusText(GLuint shader);
// Empty when GL_LINK_STATUS is true, else "Program error ocurred\n" + log + "\n".
std::string programStatusText(GLuint program);

// A fixed program, built once by loadShaders and never reloaded. Setters take the value first
// and the uniform name last, and look the location up on every call. On a program that did not
// link they set no uniform (GL would only raise an error each call) and use() makes none current.
struct ProgramHandle {
    GLuint name = 0;
    bool linked = false;  // the last link succeeded

    void release();
    void use() const;
    void setCubeMap(GLuint texture, const char* uniform, int unit) const;
    void setTexture2D(GLuint texture, const char* uniform, int unit) const;
    void setFloatArray(const float* values, int count, const char* uniform) const;
    void setInt(int value, const char* uniform) const;
    void setVec2Array(const float* values, int count, const char* uniform) const;
    void setMat4(const float* values, const char* uniform) const;
    void setVec3(const glm::vec3& value, const char* uniform) const;
    void setVec4(const glm::vec4& value, const char* uniform) const;
};

// Reads, compiles and links a vertex and a fragment file into handle.name, printing
// "Compiling shader : <path> - <id>", the driver's logs and "Linking program - <id>".
// A vertex file that cannot be opened prints one message and leaves name 0.
void loadShaders(ProgramHandle& handle, const char* vertexPath, const char* fragmentPath);
