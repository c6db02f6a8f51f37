// ShaderProgram: owns one GL program name and the Files of its stages. A rebuild is a
// transaction: the new program is built aside and swapped in only when it links; every shader
// and program object a failed attempt made is deleted. Reads the stage files and the failure
// clock; writes its reports (a failed attempt, an unreadable file, the recovery after a
// failure) to standard error, never to standard output, and keeps each failure as data.
#include "resources/shader_program.h"

#include "scene/gl_debug.h"
#include "scene/gl_names.h"
#include "scene/lights.h"

#include <cstdio>
#include <string>
#include <utility>
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

bool compiled(GLuint shader)
{
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok == GL_TRUE;
}

bool linked(GLuint program)
{
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    return ok == GL_TRUE;
}

// A file's path as the reports name it: without the asset root in front.
std::string relativePath(const std::string& path)
{
    return path.compare(0, assetRoot.size(), assetRoot) == 0 ? path.substr(assetRoot.size()) : path;
}
}  // namespace

ShaderProgram::ShaderProgram(const ShaderSet& shaders)
    : poller([this] { pollFiles(); }, kPollPeriodMs, kPollForever)
{
    addShaders(shaders);
}

ShaderProgram::~ShaderProgram()
{
    deleteProgram(programId);
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

// The changed files are read here, so that only a new text asks for a rebuild: a touch, or an
// editor saving the same bytes again, neither compiles nor reports anything.
bool ShaderProgram::needsRebuild()
{
    if (needsBuild)
        return true;
    filesChanged = false;
    if (!poller.tick() || !filesChanged || !readChangedFiles("reload"))
        return false;
    for (const auto& entry : files)
        if (entry.second.loadedHash != entry.second.compiledHash)
            return true;
    return false;
}

// Each unreadable file has its report; the first of them is the pass's one recorded failure.
bool ShaderProgram::readChangedFiles(const char* attempt)
{
    bool readable = true;
    ShaderFailure unreadable;
    for (auto& [stage, file] : files) {
        if (file.hasChanged() || file.loadTime == 0) {
            file.reload();
            if (!file.readFailure.empty()) {
                const std::string step = relativePath(file.path) + " " + file.readFailure;
                reportFailure(attempt, step, "");
                if (unreadable.step.empty())
                    unreadable = ShaderFailure{attempt, stage, step, "", {}, relativePath(file.path), "", 0.0};
            }
        }
        readable = readable && file.readFailure.empty();
    }
    if (!unreadable.step.empty())
        recordFailure(std::move(unreadable));
    return readable;
}

// Every stage's text is marked as tried before anything compiles, whichever stage then fails:
// only a new text starts another attempt. needsBuild is cleared by any attempt, so a program
// that never built waits for an edit too.
bool ShaderProgram::rebuild()
{
    const char* const attempt = needsBuild ? "build" : "reload";
    needsBuild = false;
    attempted = true;
    const bool wasFailing = lastAttemptFailed;
    lastAttemptFailed = true;
    if (!readChangedFiles(attempt))
        return false;
    for (auto& entry : files)
        entry.second.markCompiled();
    const GLuint program = glCreateProgram();
    if (program == 0)
        return fail(ShaderFailure{attempt, kLinkStage, "no program object could be created", "", {}, "", "", 0.0});
    std::vector<GLuint> shaders;
    for (const auto& [stage, file] : files) {
        const GLuint shader = compileStage(stage, file.contents);
        if (shader == 0) {
            deleteAttempt(shaders, program);
            return fail(stageFailure(attempt, stage, std::string(stageName(stage)) + " stage could not be created"));
        }
        shaders.push_back(shader);
        if (!compiled(shader)) {
            const std::string log = shaderInfoLog(shader);
            deleteAttempt(shaders, program);
            return fail(stageFailure(attempt, stage, std::string(stageName(stage)) + " stage did not compile", log));
        }
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    if (!linked(program)) {
        const std::string log = programInfoLog(program);
        deleteAttempt(shaders, program);
        return fail(ShaderFailure{attempt, kLinkStage, "link step failed", log, {}, "", "", 0.0});
    }
    deleteProgram(programId);
    programId = program;
    labelObject(GL_PROGRAM, programId, label());
    for (GLuint shader : shaders) {
        glDetachShader(program, shader);
        glDeleteShader(shader);
    }
    if (wasFailing)
        std::fprintf(stderr, "Shader reload: %s works again\n", label().c_str());
    lastAttemptFailed = false;
    return true;
}

ShaderProgramState ShaderProgram::state() const
{
    if (!attempted)
        return ShaderProgramState::NeverBuilt;
    if (lastAttemptFailed)
        return ShaderProgramState::Failed;
    for (const auto& entry : files)
        if (!entry.second.readFailure.empty())
            return ShaderProgramState::Failed;
    return ShaderProgramState::Built;
}

std::string ShaderProgram::label() const
{
    std::string text;
    for (const auto& entry : files) {
        if (!text.empty())
            text += " + ";
        text += relativePath(entry.second.path);
    }
    return text;
}

// One write for the whole block, so that it reaches the console in one piece. The log goes out
// as the driver wrote it, its own line ends kept, with one line end made sure of at the end.
void ShaderProgram::reportFailure(const std::string& attempt, const std::string& step, const std::string& log) const
{
    std::string text = std::string("Shader ") + attempt + " failed: " + label() + ": " + step;
    size_t end = log.size();
    while (end > 0 && log[end - 1] == '\n')
        --end;
    if (end > 0)
        text += ":\n" + log.substr(0, end);
    text += "\n";
    std::fputs(text.c_str(), stderr);
}

void ShaderProgram::recordFailure(ShaderFailure failure)
{
    failure.parsed = parseShaderLog(failure.log);
    failure.time = clock();
    lastFailure = std::move(failure);
    ++failureCount;
}

bool ShaderProgram::fail(ShaderFailure failure)
{
    reportFailure(failure.attempt, failure.step, failure.log);
    recordFailure(std::move(failure));
    return false;
}

ShaderFailure ShaderProgram::stageFailure(const char* attempt, int32_t stage, const std::string& step,
                                          const std::string& log) const
{
    const File& file = files.at(stage);
    return ShaderFailure{attempt, stage, step, log, {}, relativePath(file.path), file.contents, 0.0};
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
