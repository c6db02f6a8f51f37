// Renderer start-up and teardown: builds every shader program in its fixed order, the lens
// textures, the size-dependent targets, the quad and the occlusion kernel; re-creates the targets
// when the window size changes; and owns the separable blur that the occlusion and bloom passes
// share. Leaves depth testing on and the clear colour (0, 0, 0, 0) for every later pass.
#include "render/renderer.h"

#include "resources/gl_error.h"
#include "resources/resource_manager.h"
#include "scene/texture.h"

#include <map>
#include <string>
#include <utility>

namespace {

// The one program cache of the process. Never destroyed: its cache keeps every reloadable
// program alive until the process ends, whoever else lets go of them.
ResourceManager& programCache()
{
    static ResourceManager* const cache = new ResourceManager;
    return *cache;
}

std::shared_ptr<ShaderProgram> reloadable(const char* vertexPath, const char* fragmentPath)
{
    const std::map<int32_t, std::string> stages = {{Vertex, vertexPath}, {Fragment, fragmentPath}};
    std::shared_ptr<ShaderProgram> program = programCache().getShaderProgram(stages);
    program->rebuild();
    return program;
}

void deleteTexture(GLuint& name)
{
    if (name)
        glDeleteTextures(1, &name);
    name = 0;
}

constexpr const char* kQuadVertex = "shaders/quadShader.vert";

}  // namespace

void Renderer::createShaderPrograms()
{
    lightingProgram = reloadable("shaders/blinnPhong.vert", "shaders/blinnPhong.frag");
    ssaoProgram = reloadable(kQuadVertex, "shaders/ssao.frag");
    compositeProgram = reloadable(kQuadVertex, "shaders/quadShader.frag");
    lensFlareProgram = reloadable(kQuadVertex, "shaders/lensflare.frag");
    normalDepthProgram = reloadable("shaders/normalDepthPass.vert", "shaders/normalDepthPass.frag");

    loadShaders(lightingFixed, "shaders/blinnPhong.vert", "shaders/blinnPhong.frag");
    loadShaders(ssaoFixed, kQuadVertex, "shaders/ssao.frag");
    loadShaders(normalDepthFixed, "shaders/normalDepthPass.vert", "shaders/normalDepthPass.frag");
    loadShaders(compositeFixed, kQuadVertex, "shaders/quadShader.frag");
    loadShaders(unlitProgram, "shaders/blinnPhong.vert", "shaders/passThrough.frag");
    loadShaders(passThroughProgram, kQuadVertex, "shaders/passThrough.frag");
    loadShaders(blurProgram, kQuadVertex, "shaders/blurFragmentShader.frag");
    loadShaders(downsampleProgram, kQuadVertex, "shaders/downsample.frag");
    loadShaders(lensFlareFixed, kQuadVertex, "shaders/lensflare.frag");
    loadShaders(gaussXProgram, "shaders/gauss25TapX.vert", "shaders/gauss25TapX.frag");
    loadShaders(gaussYProgram, "shaders/gauss25TapY.vert", "shaders/gauss25TapY.frag");
    loadShaders(particleProgram, "shaders/particle.vert", "shaders/particle.frag");

    particleReloadable = reloadable("shaders/particle.vert", "shaders/particle.frag");
}

void Renderer::createRenderTargets(int width, int height, ImageDecode lensStar, ImageDecode lensDirt,
                                   ImageDecode lensColour)
{
    for (GLuint* texture : {&lensStarTex, &lensDirtTex, &lensColorTex})
        deleteTexture(*texture);
    lensStarTex = loadTexture(std::move(lensStar));
    lensDirtTex = loadTexture(std::move(lensDirt));
    lensColorTex = loadTexture1D(std::move(lensColour));
    targets.create(width, height);
    quad.create();
    texelSampler.create();
    ssao.create(width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
}

void Renderer::resize(int width, int height)
{
    if (width <= 0 || height <= 0 || (width == targets.width && height == targets.height))
        return;
    targets.create(width, height);
    ssao.setNoiseScale(width, height);
}

void Renderer::release()
{
    targets.release();
    quad.release();
    texelSampler.release();
    ssao.release();
    skyBox.release();
    particles.release();
    for (GLuint* texture : {&lensStarTex, &lensDirtTex, &lensColorTex})
        deleteTexture(*texture);
    for (ProgramHandle* program :
         {&lightingFixed, &ssaoFixed, &normalDepthFixed, &compositeFixed, &unlitProgram,
          &passThroughProgram, &blurProgram, &downsampleProgram, &lensFlareFixed, &gaussXProgram,
          &gaussYProgram, &particleProgram})
        program->release();
    // The program cache still holds the reloadable programs; they go with the process.
    for (std::shared_ptr<ShaderProgram>* program :
         {&lightingProgram, &ssaoProgram, &compositeProgram, &lensFlareProgram, &normalDepthProgram,
          &particleReloadable})
        program->reset();
}

void Renderer::separableBlur(GLuint targetFbo, GLuint sourceTex, GLuint scratchFbo, GLuint scratchTex,
                             float radius, glm::vec2 size)
{
    static const float kAlongX[2] = {1.0f, 0.0f};
    static const float kAlongY[2] = {0.0f, 1.0f};
    const int blurRadius = int(radius);
    const GLsizei width = GLsizei(size.x), height = GLsizei(size.y);

    glDisable(GL_DEPTH_TEST);
    blurProgram.use();

    glBindFramebuffer(GL_FRAMEBUFFER, scratchFbo);
    checkGlError();
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    blurProgram.setVec2Array(kAlongX, 1, "ScaleU");
    blurProgram.setInt(blurRadius, "uBlurRadius");
    blurProgram.setTexture2D(sourceTex, "textureSource", 0);
    texelSampler.bind(0);
    quad.draw();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    blurProgram.setVec2Array(kAlongY, 1, "ScaleU");
    blurProgram.setInt(blurRadius, "uBlurRadius");
    blurProgram.setTexture2D(scratchTex, "textureSource", 0);
    quad.draw();
    texelSampler.unbind(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glEnable(GL_DEPTH_TEST);
    checkGlError();
}
