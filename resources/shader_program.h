// ShaderProgram: the hot-reloading GL program. Keeps one File per stage, polls their time
// stamps at most once per second while the program is in use, re-reads the files that moved,
// and when a text changed compiles and links a fresh program that replaces the current one only
// when it links. Each failed attempt is reported once on standard error, and so is the first
// success after one; a file that cannot be read is reported once when a read finds it so.
// The same facts are kept as data for a viewer: the state, the last failure with its parsed
// log, and a count of failures.
#pragma once

#include "resources/file.h"
#include "resources/shader.h"
#include "resources/shader_log.h"
#include "resources/timer.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <map>
#include <string>

class LightObject;
using ShaderSet = std::map<int32_t, AssetShader>;

// No attempt yet; the last attempt linked (and every file still reads); the last attempt, or a
// read of a file since, failed.
enum class ShaderProgramState { NeverBuilt, Built, Failed };

// The stage of a failure that belongs to no stage: the link step, or a program object that
// could not be made.
constexpr int32_t kLinkStage = -1;

// A failed attempt as data, the same facts as its report on the console.
struct ShaderFailure {
    std::string attempt;         // "build" or "reload"
    int32_t stage = kLinkStage;  // the stage whose file did not read, compile or get a shader object
    std::string step;            // the report's text for it: "fragment stage did not compile", ...
    std::string log;             // the driver's log as it gave it; empty where the step has none
    // The log's entries: source index 0 is the stage's file (each stage compiles one text); a
    // link failure's entries belong to no one file.
    ShaderLog parsed;
    std::string path;    // the stage's file as the reports name it; empty for kLinkStage
    std::string source;  // the stage's text where it did not compile or get a shader object
    double time = 0.0;   // when it happened, on the program's clock
};

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
    ShaderProgramState state() const;
    // The last attempt succeeded after a failure, and none failed since.
    bool worksAgain() const { return failureCount > 0 && state() == ShaderProgramState::Built; }
    // The files in stage order, joined by " + ", as the reports name the program.
    std::string label() const;

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
    bool attempted = false;
    ShaderFailure lastFailure;
    // One more for every failed attempt and every poll whose reads found a file unreadable (one
    // for the poll, however many files), never for a poll that reported nothing: a viewer tells
    // a new failure from the one it has seen.
    uint64_t failureCount = 0;
    SecondsClock clock = steadyClockSeconds;

private:
    // Reads every file whose time stamp moved since its last read, and every file never read.
    // A read that finds a file unreadable is reported, naming the attempt ("build", "reload").
    // True when every file has a text to compile.
    bool readChangedFiles(const char* attempt);
    // Reports the failed step with the driver's log.
    void reportFailure(const std::string& attempt, const std::string& step, const std::string& log) const;
    // Keeps the failure as the last one, its log parsed and its time taken, and counts it.
    void recordFailure(ShaderFailure failure);
    // Reports and records the failure; returns false, the attempt's result.
    bool fail(ShaderFailure failure);
    // A failure of the stage's file, with its path and the text it compiled.
    ShaderFailure stageFailure(const char* attempt, int32_t stage, const std::string& step,
                               const std::string& log = {}) const;
};
