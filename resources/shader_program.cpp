// ShaderProgram: owns one GL program name and the Files of its stages. A rebuild is a
// transaction: the new program is built aside and swapped in only when it links; every shader
// and program object a failed attempt made is deleted. Reads the stage files; prints nothing.
#include "resources/shader_program.h"

#include "scene/lights.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr uint32_t kPollPeriodMs = 1000;
constexpr uint32_t kPollForever = 0xFFFFFFFFu;

void deleteAttempt(const std::vector<GLuint>& shaders, GLuint program)
{
    for (GLuint shader : shaders)
        glDeleteShader(shader);
    glDeleteProgram(program);
}
}  // namespace

ShaderProgram::ShaderProgram(const ShaderSet& shaders)
    : poller([this] { pollFiles(); }, kPollPeriodMs, kPollForever)
{
    addShaders(shaders);
}

ShaderProgram::~ShaderProgram()
{
    if (programId != 0)
        glDeleteProgram(programId);
    programId = 0;
}

void ShaderProgram::addShaders(const ShaderSet& shaders)
{
    for (const auto& [stage, asset] : shaders)
        addShader(stage, asset);
}

void ShaderProgram::addShader(int32_t stage, const AssetShader& asset)
{
    files[stage] = File(asset.fullPath());
    needsBuild = true;
}

void ShaderProgram::pollFiles()
{
    bool changed = false;
    for (const auto& entry : files)
        changed = entry.second.hasChanged() || changed;
    filesChanged = changed;
}

bool ShaderProgram::needsRebuild()
{
    if (needsBuild)
        return true;
    filesChanged = false;
    return poller.tick() && filesChanged;
}

bool ShaderProgram::rebuild()
{
    const GLuint program = glCreateProgram();
    if (program == 0)
        return false;
    std::vector<GLuint> shaders;
    for (auto& [stage, file] : files) {
        if (file.hasChanged())
            file.reload();
        const GLuint shader = compileStage(stage, file.markCompiled());
        if (shader == 0) {
            deleteAttempt(shaders, program);
            return false;
        }
        shaders.push_back(shader);
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    if (!programStatusText(program).empty()) {
        deleteAttempt(shaders, program);
        return false;
    }
    if (programId != 0)
        glDeleteProgram(programId);
    programId = program;
    for (GLuint shader : shaders) {
        glDetachShader(program, shader);
        glDeleteShader(shader);
    }
    needsBuild = false;
    return true;
}

void ShaderProgram::setLight(int index, const LightObject& light) const
{
    if (!usable())
        return;
    // The names are built on the stack: this runs every frame for every light.
    char name[64];
    const auto location = [&](const char* suffix) {
        std::snprintf(name, sizeof(name), "lights[%d%s", index, suffix);
        return glGetUniformLocation(programId, name);
    };
    glUniform3f(location("].vPosition"), light.position.x, light.position.y, light.position.z);
    glUniform3f(location("].vLightColor"), light.color.x, light.color.y, light.color.z);
    glUniform1f(location("].fLighIntensity"), light.intensity);
    if (light.lightType() == 1 || light.lightType() == 2)
        glUniform3f(location("].vAttenuation"), light.attenuation.x, light.attenuation.y, light.attenuation.z);
    if (light.lightType() == 2) {
        glUniform3f(location("].vSpotLight"), light.spotParams.x, light.spotParams.y, light.spotParams.z);
        glUniform3f(location("].vDirection"), light.direction.x, light.direction.y, light.direction.z);
    }
    glUniform1i(location("].iLightType"), light.lightType());
}

void ShaderProgram::setTexture1D(GLuint texture, const char* uniform, int unit) const
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_1D, texture);
    if (usable())
        glUniform1i(glGetUniformLocation(programId, uniform), unit);
}

void ShaderProgram::setTexture2D(GLuint texture, const char* uniform, int unit) const
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (usable())
        glUniform1i(glGetUniformLocation(programId, uniform), unit);
}

void ShaderProgram::setFloat(float value, const char* uniform) const
{
    if (!usable())
        return;
    glUniform1f(glGetUniformLocation(programId, uniform), value);
}

void ShaderProgram::setInt(int value, const char* uniform) const
{
    if (!usable())
        return;
    glUniform1i(glGetUniformLocation(programId, uniform), value);
}

void ShaderProgram::setBool(bool value, const char* uniform) const
{
    if (!usable())
        return;
    glUniform1i(glGetUniformLocation(programId, uniform), value ? 1 : 0);
}

void ShaderProgram::setVec2Array(const float* values, int count, const char* uniform) const
{
    if (!usable())
        return;
    glUniform2fv(glGetUniformLocation(programId, uniform), count, values);
}

void ShaderProgram::setVec3Array(const float* values, int count, const char* uniform) const
{
    if (!usable())
        return;
    glUniform3fv(glGetUniformLocation(programId, uniform), count, values);
}

void ShaderProgram::setVec3(const glm::vec3& value, const char* uniform) const
{
    if (!usable())
        return;
    glUniform3f(glGetUniformLocation(programId, uniform), value.x, value.y, value.z);
}

void ShaderProgram::setMat4(const float* values, const char* uniform) const
{
    if (!usable())
        return;
    glUniformMatrix4fv(glGetUniformLocation(programId, uniform), 1, GL_FALSE, values);
}
