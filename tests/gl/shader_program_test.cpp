// The hot-reloading program against real files, a driven clock and the real driver: when it
// polls, what reaches the program (same-second saves, saves by rename) and what does not
// (touches that change no text), what a broken, missing or unreadable file leaves in place (the
// last good program, no leaked GL objects, one report per failing text or unreadable file and
// none on standard output), and the light array and setters read back from a linked program.
#include "gl_fixture.h"
#include "resources/shader_log.h"
#include "resources/shader_program.h"
#include "scene/lights.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kVertexSource = R"(#version 150
// position: clip space, passed through
in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";

// A fragment stage that shows which save it came from: its one uniform is named after the version.
std::string fragmentVersion(const std::string& version)
{
    return "#version 150\nuniform float " + version + ";\nout vec4 colour;\nvoid main() { colour = vec4(" +
           version + "); }\n";
}

const char* const kBrokenSource = "#version 150\nvoid main() { this is not glsl }\n";

constexpr int64_t kFirstSave = 1700000000;

class ShaderProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        drainGlErrors();
        writeFileStamped("a.vert", kVertexSource, kFirstSave);
        writeFileStamped("a.frag", fragmentVersion("versionA"), kFirstSave);
    }
    void TearDown() override { EXPECT_EQ(drainGlErrors(), 0); }

    static std::unique_ptr<ShaderProgram> makeProgram(const std::string& fragment = "a.frag")
    {
        return std::make_unique<ShaderProgram>(ShaderSet{{Vertex, AssetShader("a.vert")}, {Fragment, AssetShader(fragment)}});
    }

    static bool hasUniform(const ShaderProgram& program, const char* name)
    {
        return glGetUniformLocation(program.id(), name) != -1;
    }

    // needsRebuild, then rebuild when asked, as a pass does; returns whether it asked.
    // Everything printed on either stream meanwhile lands in printed.
    bool usePass(ShaderProgram& program, bool* rebuilt = nullptr)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool asked = program.needsRebuild();
        const bool built = asked && program.rebuild();
        std::fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        printedOut += out;
        printed += out;
        printed += testing::internal::GetCapturedStderr();
        if (rebuilt)
            *rebuilt = built;
        return asked;
    }

    // Runs 300 passes 16 ms apart (several polls); returns how many of them rebuilt.
    int runFrames(ShaderProgram& program)
    {
        int rebuilds = 0;
        for (int frame = 0; frame < 300; ++frame, clock.advanceMs(16))
            rebuilds += usePass(program) ? 1 : 0;
        return rebuilds;
    }

    ScratchDirectory scratch;
    DrivenClock clock{kFirstSave};
    std::string printed;     // both streams
    std::string printedOut;  // standard output alone
};

// The report a failed compile of source gives: the driver's own log after the header. The first
// attempt of a program is its build, every later one a reload.
std::string compileReport(int32_t stage, const std::string& source, const char* attempt = "reload")
{
    const GLuint shader = compileStage(stage, source);
    std::string log = shaderLog(shader);
    glDeleteShader(shader);
    log.erase(log.find_last_not_of('\n') + 1);
    return std::string("Shader ") + attempt + " failed: a.vert + a.frag: " + stageName(stage) +
           " stage did not compile:\n" + log + "\n";
}

const char* const kWorksAgain = "Shader reload: a.vert + a.frag works again\n";

TEST_F(ShaderProgramTest, BuildsThenPollsOnlyAfterAStampChangeAndAFullSecond)
{
    auto program = makeProgram();
    EXPECT_TRUE(program->needsRebuild());
    ASSERT_TRUE(program->rebuild());
    ASSERT_NE(program->id(), 0u);
    EXPECT_TRUE(hasUniform(*program, "versionA"));
    EXPECT_FALSE(program->needsRebuild());
    clock.advanceMs(5000);
    EXPECT_FALSE(program->needsRebuild());  // polled: nothing changed

    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 7);
    clock.advanceMs(999);
    EXPECT_FALSE(program->needsRebuild());
    clock.advanceMs(1);
    bool rebuilt = false;
    EXPECT_TRUE(usePass(*program, &rebuilt));
    EXPECT_TRUE(rebuilt);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
    clock.advanceMs(1000);
    EXPECT_FALSE(program->needsRebuild());
    EXPECT_EQ(printed, "");
}

// Regression: a save in the same second as the read before it used to be lost.
TEST_F(ShaderProgramTest, TwoSavesWithinOneSecondBothReachTheProgram)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const int64_t second = clock.seconds() + 3;
    clock.advanceMs(3000);

    writeFileStamped("a.frag", fragmentVersion("versionB"), second, 100000000);
    EXPECT_TRUE(usePass(*program));
    EXPECT_TRUE(hasUniform(*program, "versionB"));
    EXPECT_EQ(program->files.at(Fragment).loadTime, second);

    writeFileStamped("a.frag", fragmentVersion("versionC"), second, 600000000);
    clock.advanceMs(1000);
    EXPECT_TRUE(usePass(*program));
    EXPECT_TRUE(hasUniform(*program, "versionC"));
}

TEST_F(ShaderProgramTest, SaveByRenameReachesTheProgram)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    writeFileStamped("a.frag.new", fragmentVersion("versionB"), kFirstSave + 2);
    ASSERT_EQ(std::rename("a.frag.new", "a.frag"), 0);
    clock.advanceMs(1000);
    EXPECT_TRUE(usePass(*program));
    EXPECT_TRUE(hasUniform(*program, "versionB"));
}

// Regression: every touch (or an editor's save of the same bytes) compiled and linked anew.
// A rebuild is the only thing that compiles, and a pass rebuilds only when needsRebuild asks.
TEST_F(ShaderProgramTest, TwentyTouchesOfAValidFileRebuildNothing)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const GLuint first = program->id();
    int rebuilds = 0;
    for (int touch = 1; touch <= 20; ++touch) {
        const char* const path = touch % 2 ? "a.frag" : "a.vert";
        ASSERT_TRUE(setStamp(path, kFirstSave + touch));
        rebuilds += runFrames(*program);
    }
    writeFileStamped("a.frag.new", fragmentVersion("versionA"), kFirstSave + 21);
    ASSERT_EQ(std::rename("a.frag.new", "a.frag"), 0);
    rebuilds += runFrames(*program);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(program->id(), first);
    EXPECT_EQ(program->files.at(Fragment).loadedModificationTime, (kFirstSave + 21) * 1000000000);
    EXPECT_EQ(printed, "");

    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 22);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
}

// Regression: each touch of a broken file printed the whole report again. One attempt, one
// report, however often the same texts are saved, also when the vertex stage fails before the
// edited fragment stage is compiled.
TEST_F(ShaderProgramTest, TwentyTouchesOfABrokenFileReportOnce)
{
    const char* const brokenVertex = "#version 150\nin vec3 position;\nvoid main() { gl_Position = position; }\n";
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const GLuint good = program->id();
    writeFileStamped("a.vert", brokenVertex, kFirstSave + 1);
    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 1);
    int attempts = runFrames(*program);
    for (int touch = 2; touch <= 21; ++touch) {
        ASSERT_TRUE(setStamp("a.vert", kFirstSave + touch));
        ASSERT_TRUE(setStamp("a.frag", kFirstSave + touch));
        attempts += runFrames(*program);
    }
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(printed, compileReport(Vertex, brokenVertex));
    EXPECT_EQ(program->id(), good);

    printed.clear();
    writeFileStamped("a.vert", kVertexSource, kFirstSave + 22);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(printed, kWorksAgain);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
}

// Each broken edit is one attempt and one report over many frames, the last good program stays,
// and the fix prints one line.
TEST_F(ShaderProgramTest, BrokenEditIsReportedOnceAndTheFixOnceMore)
{
    const char* const brokenVertex = "#version 150\nin vec3 position;\nvoid main() { gl_Position = position; }\n";
    const char* const noMain = "#version 150\nout vec4 colour;\nvoid shade() { colour = vec4(1.0); }\n";
    const std::pair<std::string, std::string> edits[] = {
        {kVertexSource, kBrokenSource}, {brokenVertex, fragmentVersion("versionA")}, {kVertexSource, noMain}};
    const std::string linkHeader = "Shader reload failed: a.vert + a.frag: link step failed:\n";
    int64_t stamp = kFirstSave;
    for (const auto& [vertex, fragment] : edits) {
        SCOPED_TRACE(fragment);
        auto program = makeProgram();
        ASSERT_TRUE(program->rebuild());
        const GLuint good = program->id();
        const LiveGlObjects before = liveGlObjects();
        printed.clear();
        writeFileStamped("a.vert", vertex, ++stamp);
        writeFileStamped("a.frag", fragment, stamp);
        EXPECT_EQ(runFrames(*program), 1);
        if (fragment == noMain)
            EXPECT_TRUE(printed.rfind(linkHeader, 0) == 0 && printed.find("main") != std::string::npos &&
                        printed.find("Shader", 1) == std::string::npos) << printed;
        else
            EXPECT_EQ(printed, vertex == brokenVertex ? compileReport(Vertex, vertex)
                                                      : compileReport(Fragment, fragment));
        const int32_t stage = fragment == noMain ? kLinkStage : vertex == brokenVertex ? Vertex : Fragment;
        EXPECT_EQ(program->lastFailure.stage, stage);
        EXPECT_EQ(program->lastFailure.path, stage == kLinkStage ? "" : stage == Vertex ? "a.vert" : "a.frag");
        EXPECT_EQ(program->id(), good);
        EXPECT_EQ(liveGlObjects(), before);

        printed.clear();
        writeFileStamped("a.vert", kVertexSource, ++stamp);
        writeFileStamped("a.frag", fragmentVersion("versionB"), stamp);
        EXPECT_EQ(runFrames(*program), 1);
        EXPECT_EQ(printed, kWorksAgain);
        EXPECT_TRUE(hasUniform(*program, "versionB"));
    }
    EXPECT_EQ(printedOut, "");
}

// Built on first need before any poll, then attempted again only after an edit that changes a
// text: one attempt (and one report) over 300 frames each time. The first report says the build
// failed: nothing was running that a reload could have replaced.
TEST_F(ShaderProgramTest, ProgramBrokenAtStartUpRetriesOnlyAfterAnEdit)
{
    const std::string otherBreakage = std::string(kBrokenSource) + "so is this\n";
    writeFileStamped("a.frag", kBrokenSource, kFirstSave);
    auto program = makeProgram();
    const LiveGlObjects before = liveGlObjects();
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(program->id(), 0u);
    writeFileStamped("a.frag", kBrokenSource, kFirstSave + 1);
    EXPECT_EQ(runFrames(*program), 0);
    writeFileStamped("a.frag", otherBreakage, kFirstSave + 2);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(printed, compileReport(Fragment, kBrokenSource, "build") + compileReport(Fragment, otherBreakage));
    EXPECT_EQ(liveGlObjects(), before);

    printed.clear();
    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 3);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(printed, kWorksAgain);
    EXPECT_EQ(printedOut, "");
}

double failureSeconds = 0.0;
double failureClock() { return failureSeconds; }

// A broken fragment text as data for a viewer: the driver's real log parsed to entries at the
// broken line (and, where the log has a column, at the undeclared name behind an indentation
// and a comment), one count per failed attempt however many polls, and the fix read as built and
// working again; the console says what it said before.
TEST_F(ShaderProgramTest, FailureIsKeptAsDataAtTheBrokenLineAndCountedPerAttempt)
{
    const std::string broken = "#version 150\nout vec4 colour;\nvoid main() {\n\t  colour = /* tint */ undefinedTint;\n}\n";
    auto program = makeProgram();
    program->clock = failureClock;
    EXPECT_EQ(program->state(), ShaderProgramState::NeverBuilt);
    ASSERT_TRUE(program->rebuild());
    failureSeconds = 42.5;
    for (int edit = 1; edit <= 2; ++edit) {
        writeFileStamped("a.frag", broken + std::string(edit - 1, '\n'), kFirstSave + edit);
        EXPECT_EQ(runFrames(*program), 1);
        EXPECT_EQ(program->failureCount, uint64_t(edit));
    }
    EXPECT_EQ(printed, compileReport(Fragment, broken) + compileReport(Fragment, broken + "\n"));
    EXPECT_EQ(program->state(), ShaderProgramState::Failed);
    const ShaderFailure& failure = program->lastFailure;
    EXPECT_EQ(failure.attempt + ": " + failure.path + ": " + failure.step, "reload: a.frag: fragment stage did not compile");
    EXPECT_EQ(failure.source, broken + "\n");
    EXPECT_EQ(failure.time, 42.5);
    ASSERT_FALSE(failure.parsed.entries.empty()) << failure.log;
    const ShaderLogEntry& entry = failure.parsed.entries.front();
    EXPECT_EQ(std::to_string(entry.sourceIndex) + ":" + std::to_string(entry.line) + " " + entry.severity, "0:4 error")
        << failure.log;
    const SourcePosition at = locateInSource(failure.source, entry);
    const SourceExcerpt excerpt = sourceExcerpt(failure.source, at.line, 0, at.offset);
    if (entry.column >= 0) {  // Mesa's form; NVIDIA's and AMD's give none
        EXPECT_EQ(excerpt.lines.at(0).text.substr(size_t(std::max(excerpt.markOffset, 0))), "undefinedTint;") << failure.log;
    }

    printed.clear();
    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 3);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(program->state(), ShaderProgramState::Built);
    EXPECT_TRUE(program->worksAgain());
    EXPECT_EQ(printed, kWorksAgain);
}

// Regression: a file deleted while running went unmentioned. It is reported once, the program in
// use stays, and the file's return with the same text is no change.
TEST_F(ShaderProgramTest, DeletedFileIsReportedOnceAndKeepsTheOldProgramUntilItReturns)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const GLuint good = program->id();
    ASSERT_EQ(std::remove("a.frag"), 0);
    EXPECT_EQ(runFrames(*program), 0);
    EXPECT_EQ(program->id(), good);
    EXPECT_EQ(printed, "Shader reload failed: a.vert + a.frag: a.frag is missing\n");
    EXPECT_EQ(program->state(), ShaderProgramState::Failed);
    EXPECT_EQ(program->failureCount, 1u);
    EXPECT_EQ(program->lastFailure.step, "a.frag is missing");

    printed.clear();
    writeFileStamped("a.frag", fragmentVersion("versionA"), kFirstSave + 5);
    EXPECT_EQ(runFrames(*program), 0);
    EXPECT_EQ(program->id(), good);
    EXPECT_TRUE(program->worksAgain());
    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 6);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
    EXPECT_EQ(printed, "");
}

// The file goes between the poll that read its new text and the rebuild: the attempt says so and
// the running program stays; the next save is picked up as usual.
TEST_F(ShaderProgramTest, FileVanishingBeforeTheRebuildKeepsTheRunningProgram)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const LiveGlObjects before = liveGlObjects();

    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 1);
    clock.advanceMs(1000);
    ASSERT_TRUE(program->needsRebuild());
    ASSERT_EQ(std::remove("a.frag"), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(program->rebuild());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Shader reload failed: a.vert + a.frag: a.frag is missing\n");
    EXPECT_TRUE(hasUniform(*program, "versionA"));
    EXPECT_EQ(liveGlObjects(), before);

    writeFileStamped("a.frag", fragmentVersion("versionC"), kFirstSave + 1);
    clock.advanceMs(1000);
    EXPECT_TRUE(usePass(*program));
    EXPECT_TRUE(hasUniform(*program, "versionC"));
    EXPECT_EQ(printed, kWorksAgain);
}

// Regression: a directory in place of the file was compiled as an empty text and reported with
// the driver's "unexpected end of file". The report names what is wrong with the file; nothing
// compiles, and the old program stays until a readable file is back.
TEST_F(ShaderProgramTest, UnreadableFileIsReportedAsSuchAndKeepsTheOldProgram)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const GLuint good = program->id();
    const LiveGlObjects before = liveGlObjects();

    ASSERT_EQ(std::remove("a.frag"), 0);
    std::filesystem::create_directory("a.frag");
    setStamp("a.frag", kFirstSave + 1);
    EXPECT_EQ(runFrames(*program), 0);
    EXPECT_EQ(program->id(), good);
    EXPECT_EQ(liveGlObjects(), before);
    EXPECT_EQ(printed, "Shader reload failed: a.vert + a.frag: a.frag is a directory\n");
    printed.clear();

    std::filesystem::remove("a.frag");
    writeFileStamped("a.frag", fragmentVersion("versionB"), kFirstSave + 2);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
    EXPECT_EQ(printed, "");
}

// A file missing at start-up is named in the build's report, not compiled as an empty text; it is
// tried again when it appears.
TEST_F(ShaderProgramTest, FileMissingAtStartUpFailsTheBuildByName)
{
    auto program = makeProgram("absent.frag");
    const LiveGlObjects before = liveGlObjects();
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_EQ(program->id(), 0u);
    EXPECT_EQ(liveGlObjects(), before);
    EXPECT_EQ(printed, "Shader build failed: a.vert + absent.frag: absent.frag is missing\n");

    printed.clear();
    writeFileStamped("absent.frag", fragmentVersion("versionB"), kFirstSave + 1);
    EXPECT_EQ(runFrames(*program), 1);
    EXPECT_TRUE(hasUniform(*program, "versionB"));
    EXPECT_EQ(printed, "Shader reload: a.vert + absent.frag works again\n");
}

// A stage without a GL shader type ends the attempt; what it made before that is deleted.
TEST_F(ShaderProgramTest, UncreatableStageEndsTheRebuildWithoutLeaking)
{
    ShaderProgram program(ShaderSet{{Vertex, AssetShader("a.vert")}, {7, AssetShader("a.frag")}});
    const LiveGlObjects before = liveGlObjects();
    bool rebuilt = true;
    EXPECT_TRUE(usePass(program, &rebuilt));
    EXPECT_FALSE(rebuilt);
    EXPECT_EQ(program.id(), 0u);
    EXPECT_EQ(liveGlObjects(), before);
    EXPECT_EQ(printed, "Shader build failed: a.vert + a.frag: unknown stage could not be created\n");
}

TEST_F(ShaderProgramTest, DestructionDeletesTheProgram)
{
    auto program = makeProgram();
    ASSERT_TRUE(program->rebuild());
    const GLuint id = program->id();
    program.reset();
    EXPECT_FALSE(glIsProgram(id));
}

const char* const kLightsSource = R"(#version 150
// The lighting shader's light array, every member read so that none is optimised away.
const int kMaxLights = 13;
struct Light {
    vec3 vPosition;
    vec3 vLightColor;
    float fLighIntensity;
    vec3 vAttenuation;
    vec3 vSpotLight;
    vec3 vDirection;
    int iLightType;  // 0 directional, 1 point, 2 spot
};
uniform Light lights[kMaxLights];
uniform int numberOfLights;
out vec4 colour;
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < numberOfLights; ++i) {
        Light l = lights[i];
        sum += l.vPosition + l.vLightColor * l.fLighIntensity + l.vAttenuation + l.vSpotLight + l.vDirection
             + vec3(float(l.iLightType));
    }
    colour = vec4(sum, 1.0);
}
)";

class ShaderProgramSetLightTest : public ShaderProgramTest {
protected:
    void SetUp() override
    {
        ShaderProgramTest::SetUp();
        writeFileStamped("lights.frag", kLightsSource, kFirstSave);
        program = makeProgram("lights.frag");
        ASSERT_TRUE(program->rebuild());
        glUseProgram(program->id());
        // A sentinel in every member of the two lights the tests write, so that what a write
        // leaves alone reads back as the sentinel.
        for (int index : {2, 12}) {
            const std::string at = "lights[" + std::to_string(index) + "].";
            for (const char* member : {"vPosition", "vLightColor", "vAttenuation", "vSpotLight", "vDirection"})
                glUniform3f(glGetUniformLocation(program->id(), (at + member).c_str()), -7.0f, -7.0f, -7.0f);
            glUniform1f(glGetUniformLocation(program->id(), (at + "fLighIntensity").c_str()), -7.0f);
            glUniform1i(glGetUniformLocation(program->id(), (at + "iLightType").c_str()), -7);
        }
    }
    void TearDown() override
    {
        glUseProgram(0);
        ShaderProgramTest::TearDown();
    }

    glm::vec3 vec3At(const std::string& name) const
    {
        const GLint at = glGetUniformLocation(program->id(), name.c_str());
        EXPECT_NE(at, -1) << name;
        glm::vec3 value(-99.0f);
        glGetUniformfv(program->id(), at, &value.x);
        return value;
    }
    float floatAt(const std::string& name) const
    {
        float value = -99.0f;
        glGetUniformfv(program->id(), glGetUniformLocation(program->id(), name.c_str()), &value);
        return value;
    }
    int intAt(const std::string& name) const
    {
        GLint value = -99;
        glGetUniformiv(program->id(), glGetUniformLocation(program->id(), name.c_str()), &value);
        return value;
    }

    void write(int index, const LightObject& light) { program->setLight(index, light); }

    std::unique_ptr<ShaderProgram> program;
};

TEST_F(ShaderProgramSetLightTest, SpotLightWritesAllSevenMembers)
{
    for (int index : {2, 12}) {
        SpotLight spot;
        spot.color = glm::vec3(1.0f, 0.5f, 0.25f);
        spot.intensity = 40.0f + index;
        spot.setPosition(glm::vec3(3.0f, 4.0f, float(index)));
        write(index, spot);
        const std::string at = "lights[" + std::to_string(index) + "]";
        EXPECT_EQ(vec3At(at + ".vPosition"), glm::vec3(3.0f, 4.0f, float(index)));
        EXPECT_EQ(vec3At(at + ".vLightColor"), glm::vec3(1.0f, 0.5f, 0.25f));
        EXPECT_FLOAT_EQ(floatAt(at + ".fLighIntensity"), 40.0f + index);
        EXPECT_EQ(vec3At(at + ".vAttenuation"), glm::vec3(1.0f, 0.0f, 0.0f));
        EXPECT_EQ(vec3At(at + ".vSpotLight"), glm::vec3(0.5f, 0.7f, 5.0f));
        EXPECT_EQ(vec3At(at + ".vDirection"), glm::vec3(1.4f, -4.0f, 1.4f));
        EXPECT_EQ(intAt(at + ".iLightType"), 2);
    }
}

TEST_F(ShaderProgramSetLightTest, PointLightAddsOnlyAttenuation)
{
    for (int index : {2, 12}) {
        PointLight point;
        point.color = glm::vec3(1.0f);
        point.intensity = 200.0f;
        point.setPosition(glm::vec3(-1.0f, 2.0f, -3.0f));
        write(index, point);
        const std::string at = "lights[" + std::to_string(index) + "]";
        EXPECT_EQ(vec3At(at + ".vPosition"), glm::vec3(-1.0f, 2.0f, -3.0f));
        EXPECT_FLOAT_EQ(floatAt(at + ".fLighIntensity"), 200.0f);
        EXPECT_EQ(vec3At(at + ".vAttenuation"), glm::vec3(0.0f, 0.0f, 0.18f));
        EXPECT_EQ(vec3At(at + ".vSpotLight"), glm::vec3(-7.0f)) << "a point light leaves the cone alone";
        EXPECT_EQ(vec3At(at + ".vDirection"), glm::vec3(-7.0f));
        EXPECT_EQ(intAt(at + ".iLightType"), 1);
    }
}

TEST_F(ShaderProgramSetLightTest, DirectionalLightWritesPositionColourIntensityAndType)
{
    for (int index : {2, 12}) {
        SpotLight earlier;
        write(index, earlier);
        DirectionalLight sun;
        sun.color = glm::vec3(0.9f, 0.8f, 0.7f);
        sun.intensity = 1.5f;
        sun.setPosition(glm::vec3(100.0f, 50.0f, 0.0f));
        sun.pitch(30.0f);
        write(index, sun);
        const std::string at = "lights[" + std::to_string(index) + "]";
        EXPECT_EQ(vec3At(at + ".vPosition"), glm::vec3(100.0f, 50.0f, 0.0f));
        EXPECT_EQ(vec3At(at + ".vLightColor"), glm::vec3(0.9f, 0.8f, 0.7f));
        EXPECT_FLOAT_EQ(floatAt(at + ".fLighIntensity"), 1.5f);
        EXPECT_EQ(intAt(at + ".iLightType"), 0);
        // What the earlier spot light wrote stays: nothing else was touched.
        EXPECT_EQ(vec3At(at + ".vAttenuation"), glm::vec3(1.0f, 0.0f, 0.0f));
        EXPECT_EQ(vec3At(at + ".vDirection"), glm::vec3(1.4f, -4.0f, 1.4f));
    }
}

const char* const kSettersSource = R"(#version 150
// Reads every uniform once so that the linker keeps them all.
uniform sampler1D ramp;
uniform sampler2D image;
uniform float scale;
uniform int mode;
uniform bool enabled;
uniform vec2 offsets[2];
uniform vec3 kernel[2];
uniform vec3 tint;
uniform mat4 transform;
out vec4 colour;
void main()
{
    vec4 sampled = texture(ramp, scale) + texture(image, offsets[0] + offsets[1]);
    vec3 rgb = (kernel[0] + kernel[1] + tint) * float(mode) * (enabled ? 1.0 : 0.5);
    colour = transform * (sampled + vec4(rgb, 1.0));
}
)";

TEST_F(ShaderProgramTest, SettersReadBack)
{
    writeFileStamped("setters.frag", kSettersSource, kFirstSave);
    auto program = makeProgram("setters.frag");
    ASSERT_TRUE(program->rebuild());
    const GLuint id = program->id();
    glUseProgram(id);

    GLuint textures[2];
    glGenTextures(2, textures);
    program->setTexture1D(textures[0], "ramp", 2);
    program->setTexture2D(textures[1], "image", 4);
    program->setFloat(0.5f, "scale");
    program->setInt(3, "mode");
    program->setBool(true, "enabled");
    const float offsets[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    program->setVec2Array(offsets, 2, "offsets");
    const float kernel[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    program->setVec3Array(kernel, 2, "kernel");
    program->setVec3(glm::vec3(7.0f, 8.0f, 9.0f), "tint");
    float matrix[16];
    for (int i = 0; i < 16; ++i)
        matrix[i] = static_cast<float>(i) * 0.5f;
    program->setMat4(matrix, "transform");
    program->setFloat(1.0f, "notInTheShader");

    const auto location = [&](const char* name) { return glGetUniformLocation(id, name); };
    GLint unit = -1, bound = 0, number = 0;
    glGetUniformiv(id, location("ramp"), &unit);
    EXPECT_EQ(unit, 2);
    glActiveTexture(GL_TEXTURE2);
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textures[0]);
    glGetUniformiv(id, location("image"), &unit);
    EXPECT_EQ(unit, 4);
    glActiveTexture(GL_TEXTURE4);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textures[1]);
    glActiveTexture(GL_TEXTURE0);

    float value[16] = {};
    glGetUniformfv(id, location("scale"), value);
    EXPECT_FLOAT_EQ(value[0], 0.5f);
    glGetUniformiv(id, location("mode"), &number);
    EXPECT_EQ(number, 3);
    glGetUniformiv(id, location("enabled"), &number);
    EXPECT_EQ(number, 1);
    glGetUniformfv(id, location("offsets[1]"), value);
    EXPECT_FLOAT_EQ(value[1], 4.0f);
    glGetUniformfv(id, location("kernel[1]"), value);
    EXPECT_FLOAT_EQ(value[0], 0.4f);
    EXPECT_FLOAT_EQ(value[2], 0.6f);
    glGetUniformfv(id, location("tint"), value);
    EXPECT_FLOAT_EQ(value[1], 8.0f);
    glGetUniformfv(id, location("transform"), value);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(value[i], matrix[i]) << i;

    glUseProgram(0);
    glDeleteTextures(2, textures);
}

}  // namespace
