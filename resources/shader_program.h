// ShaderProgram: the hot-reloading GL program. Keeps one File per stage, polls their time
// stamps at most once per second while the program is in use, re-reads the files that moved,
// and when a text changed compiles and links a fresh program that replaces the current one only
// when it links. Each failed attempt is reported once on standard error, and so is the first
// success after one; a file that cannot be read is reported once when a read finds it so.
#pragma once

#include "resources/file.h"
#include "resources/shader.h"
#include "resources/timer.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <map>

class LightObject;
using ShaderSet = std::map<int32_t, AssetShader>;

class ShaderProgram {
public:
    explicit ShaderProgram(const ShaderSet& shaders);
    // Deletes the GL program if there is one.
    virtual ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    void addShaders(const ShaderSet& shaders);
    void addShader(int32_t stage, const AssetShader& asset);
    // The poller's job: asks every file whether it changed.
    void pollFiles();
    // True before the first attempt, and when a poll (at most once per second) read a file whose
    // text differs from the text last tried; a touched file with the same bytes is no change.
    bool needsRebuild();
    // Compiles every stage and links a new program; swaps it in only when it links. A failure
    // writes the program's files, the step that failed and the driver's log to standard error,
    // as a failed build for the first attempt and a failed reload after it.
    bool rebuild();
    GLuint id() const { return programId; }
    // False until a build links; the setters then set nothing (GL would raise an error each call).
    bool usable() const { return programId != 0; }

    // Writes element index of the shader's light array: "lights[<index>].vPosition" and so on.
    void setLight(int index, const LightObject& light) const;
    void setTexture1D(GLuint texture, const char* uniform, int unit) const;
    void setTexture2D(GLuint texture, const char* uniform, int unit) const;
    void setFloat(float value, const char* uniform) const;
    void setInt(int value, const char* uniform) const;
    void setBool(bool value, const char* uniform) const;
    void setVec2Array(const float* values, int count, const char* uniform) const;
    void setVec3Array(const float* values, int count, const char* uniform) const;
    void setVec3(const glm::vec3& value, const char* uniform) const;
    void setMat4(const float* values, const char* uniform) const;

    std::map<int32_t, File> files;
    bool needsBuild = true;  // no attempt yet with the current set of files
    bool lastAttemptFailed = false;
    GLuint programId = 0;
    bool filesChanged = false;
    TimedExecution poller;

private:
    // Reads every file whose time stamp moved since its last read, and every file never read.
    // A read that finds a file unreadable is reported, naming the attempt ("build", "reload").
    // True when every file has a text to compile.
    bool readChangedFiles(const char* attempt);
    // The files in stage order, joined by " + ", as the reports name the program.
    std::string label() const;
    // Reports the failed step with the driver's log; returns false, the attempt's result.
    bool reportFailure(const char* attempt, const std::string& step, const std::string& log) const;
};
