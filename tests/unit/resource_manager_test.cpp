// The program cache: equal requests share one program, different ones do not, keys compare
// full paths as strings, and a request reads no file.
#include "resources/resource_manager.h"
#include "fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceManagerTest, SameRequestSharesOneProgram)
{
    ResourceManager manager;
    const auto first = manager.getShaderProgram({{0, "shaders/blinnPhong.vert"}, {4, "shaders/blinnPhong.frag"}});
    const auto second = manager.getShaderProgram({{0, "shaders/blinnPhong.vert"}, {4, "shaders/blinnPhong.frag"}});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(manager.programs.size(), 1u);
    EXPECT_EQ(first.use_count(), 3);
}

TEST(ResourceManagerTest, DifferentStageOrPathOrSpellingGivesDifferentPrograms)
{
    ResourceManager manager;
    const auto base = manager.getShaderProgram({{0, "shaders/quadShader.vert"}, {4, "shaders/ssao.frag"}});
    const auto otherStage = manager.getShaderProgram({{0, "shaders/quadShader.vert"}, {3, "shaders/ssao.frag"}});
    const auto otherPath = manager.getShaderProgram({{0, "shaders/quadShader.vert"}, {4, "shaders/blur.frag"}});
    const auto dotted = manager.getShaderProgram({{0, "./shaders/quadShader.vert"}, {4, "shaders/ssao.frag"}});
    const auto fewer = manager.getShaderProgram({{0, "shaders/quadShader.vert"}});
    EXPECT_NE(base, otherStage);
    EXPECT_NE(base, otherPath);
    EXPECT_NE(base, dotted);
    EXPECT_NE(base, fewer);
    EXPECT_EQ(manager.programs.size(), 5u);
    EXPECT_EQ(dotted->files.at(0).path, "././shaders/quadShader.vert");
}

TEST(ResourceManagerTest, ShaderSetsCompareEntryByEntryWithTheShorterFirst)
{
    const ShaderSet vertexOnly{{0, AssetShader("a.vert")}};
    const ShaderSet both{{0, AssetShader("a.vert")}, {4, AssetShader("a.frag")}};
    const ShaderSet laterVertex{{0, AssetShader("b.vert")}};
    EXPECT_TRUE(vertexOnly < both);
    EXPECT_TRUE(both < laterVertex);
    EXPECT_FALSE(both < vertexOnly);
}

TEST(ResourceManagerTest, RequestReadsNoFileAndNeedsABuild)
{
    ScratchDirectory scratch;
    writeFileStamped("present.vert", "void main() {}", 1700000000);
    ResourceManager manager;
    const auto program = manager.getShaderProgram({{0, "present.vert"}, {4, "absent.frag"}});
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->id(), 0u);
    EXPECT_TRUE(program->needsRebuild());
    for (const auto& [stage, file] : program->files) {
        EXPECT_EQ(file.loadTime, 0) << stage;
        EXPECT_EQ(file.loadedHash, 0u) << stage;
        EXPECT_EQ(file.contents, "") << stage;
    }
    EXPECT_EQ(program->files.at(0).path, "./present.vert");
    EXPECT_EQ(program->files.at(4).path, "./absent.frag");
}

}  // namespace
