// The frame resources: render targets, the full-screen quad, the nearest sampler, the separable
// blur and the observed driver calls. RenderTargets::create releases and re-makes every
// size-dependent texture and framebuffer, so the same call serves start-up and window resizes,
// and says what failed when the driver could not make them.
#include "render/frame_resources.h"

#include "resources/gl_error.h"
#include "scene/gl_debug.h"
#include "scene/gl_names.h"

#include <algorithm>
#include <initializer_list>

GLuint makeTarget(GLenum internalFormat, GLenum format, int width, int height, GLenum filter)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

GLuint makeFramebuffer(GLuint depth, GLuint colour)
{
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    if (depth)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return fbo;
}

int halfSize(int size)
{
    return std::max(1, int(float(size) * 0.5f));
}

std::vector<TargetFormat> RenderTargets::formats(int width, int height)
{
    return {{GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, width, height},
            {GL_RGBA32F, GL_RGBA, width, height},
            {GL_RGB32F, GL_RGB, width, height},
            {GL_RGBA32F, GL_RGBA, halfSize(width), halfSize(height)}};
}

std::string RenderTargets::create(int targetWidth, int targetHeight)
{
    release();
    width = targetWidth;
    height = targetHeight;
    halfWidth = halfSize(width);
    halfHeight = halfSize(height);

    sceneDepthTex = makeTarget(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, width, height, GL_LINEAR);
    depthTex = makeTarget(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, width, height, GL_LINEAR);
    normalTex = makeTarget(GL_RGBA32F, GL_RGBA, width, height, GL_LINEAR);
    ssaoTex = makeTarget(GL_RGB32F, GL_RGB, width, height, GL_LINEAR);
    normalDepthFbo = makeFramebuffer(depthTex, normalTex);
    ssaoFbo = makeFramebuffer(0, ssaoTex);

    sceneColorTex = makeTarget(GL_RGBA32F, GL_RGBA, width, height, GL_NEAREST);
    sceneFbo = makeFramebuffer(sceneDepthTex, sceneColorTex);

    halfTex = makeTarget(GL_RGBA32F, GL_RGBA, halfWidth, halfHeight, GL_LINEAR);
    halfFbo = makeFramebuffer(0, halfTex);
    flareTex = makeTarget(GL_RGBA32F, GL_RGBA, halfWidth, halfHeight, GL_LINEAR);
    flareFbo = makeFramebuffer(0, flareTex);

    halfScratchTex = makeTarget(GL_RGBA32F, GL_RGBA, halfWidth, halfHeight, GL_LINEAR);
    fullScratchTex = makeTarget(GL_RGBA32F, GL_RGBA, width, height, GL_LINEAR);
    halfScratchFbo = makeFramebuffer(0, halfScratchTex);
    fullScratchFbo = makeFramebuffer(0, fullScratchTex);

    // Names for graphics debuggers: the ones the passes use.
    const std::pair<GLuint, const char*> textures[] = {
        {depthTex, "depthTex"}, {normalTex, "normalTex"}, {ssaoTex, "ssaoTex"}, {sceneDepthTex, "sceneDepthTex"},
        {sceneColorTex, "sceneColorTex"}, {halfTex, "halfTex"}, {flareTex, "flareTex"},
        {halfScratchTex, "halfScratchTex"}, {fullScratchTex, "fullScratchTex"}};
    for (const auto& [texture, name] : textures)
        labelObject(GL_TEXTURE, texture, name);
    const std::vector<std::pair<GLuint, const char*>> framebuffers = {
        {normalDepthFbo, "normalDepthFbo"}, {ssaoFbo, "ssaoFbo"}, {sceneFbo, "sceneFbo"}, {halfFbo, "halfFbo"},
        {flareFbo, "flareFbo"}, {halfScratchFbo, "halfScratchFbo"}, {fullScratchFbo, "fullScratchFbo"}};
    for (const auto& [framebuffer, name] : framebuffers)
        labelObject(GL_FRAMEBUFFER, framebuffer, name);
    return madeTargetsProblem(framebuffers);
}

void RenderTargets::release()
{
    for (GLuint* fbo : {&normalDepthFbo, &ssaoFbo, &sceneFbo, &halfFbo, &flareFbo, &halfScratchFbo,
                        &fullScratchFbo})
        deleteFramebuffer(*fbo);
    for (GLuint* texture : {&depthTex, &normalTex, &ssaoTex, &sceneDepthTex, &sceneColorTex, &halfTex,
                            &flareTex, &halfScratchTex, &fullScratchTex})
        deleteTexture(*texture);
}

void FullScreenQuad::create()
{
    // Corners 0..3: top right, top left, bottom right, bottom left, at depth 0.
    static const float corners[12] = {1, 1, 0, -1, 1, 0, 1, -1, 0, -1, -1, 0};
    static const GLuint indices[6] = {0, 1, 2, 2, 1, 3};

    release();
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glGenBuffers(1, &elementBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(indices), indices, GL_STATIC_DRAW);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    labelObject(GL_VERTEX_ARRAY, vertexArray, "full-screen quad");
    labelObject(GL_BUFFER, vertexBuffer, "full-screen quad corners");
    labelObject(GL_BUFFER, elementBuffer, "full-screen quad indices");
}

void FullScreenQuad::draw() const
{
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void FullScreenQuad::release()
{
    deleteVertexArray(vertexArray);
    deleteBuffer(vertexBuffer);
    deleteBuffer(elementBuffer);
}

void TexelSampler::create()
{
    release();
    if (!GLEW_VERSION_3_3 && !GLEW_ARB_sampler_objects)
        return;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    labelObject(GL_SAMPLER, sampler, "texel-centre sampler");
}

void TexelSampler::bind(GLuint unit) const
{
    if (sampler)
        glBindSampler(unit, sampler);
}

void TexelSampler::unbind(GLuint unit) const
{
    if (sampler)
        glBindSampler(unit, 0);
}

void TexelSampler::release()
{
    deleteSampler(sampler);
}

void rebuildIfChanged(ShaderProgram& program)
{
    if (program.needsRebuild())
        program.rebuild();
}

std::string FrameResources::create(int width, int height)
{
    const std::string problem = targets.create(width, height);
    quad.create();
    texelSampler.create();
    return problem;
}

void FrameResources::release()
{
    targets.release();
    quad.release();
    texelSampler.release();
    for (ProgramHandle* program : {&blurProgram, &downsampleProgram, &passThroughProgram})
        program->release();
}

void FrameResources::drawQuad() const
{
    driverCall(DriverWork::ScreenDraw, [this] { quad.draw(); });
}

void FrameResources::drawQuadInto(GLuint fbo, int width, int height) const
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    drawQuad();
}

void FrameResources::drawSubmesh(const SubmeshBuffers& submesh) const
{
    glBindVertexArray(submesh.vertexArray);
    driverCall(DriverWork::SceneDraw, [&submesh] {
        glDrawElements(GL_TRIANGLES, GLsizei(submesh.indexCount), GL_UNSIGNED_INT, nullptr);
    });
    glBindVertexArray(0);
}

void FrameResources::clear(GLbitfield mask) const
{
    driverCall(DriverWork::Clear, [mask] { glClear(mask); });
}

void FrameResources::separableBlur(GLuint targetFbo, GLuint sourceTex, GLuint scratchFbo, GLuint scratchTex,
                                   float radius, glm::vec2 size) const
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
    drawQuad();

    blurProgram.setVec2Array(kAlongY, 1, "ScaleU");
    blurProgram.setInt(blurRadius, "uBlurRadius");
    blurProgram.setTexture2D(scratchTex, "textureSource", 0);
    drawQuadInto(targetFbo, width, height);
    texelSampler.unbind(0);

    glEnable(GL_DEPTH_TEST);
    checkGlError();
}
