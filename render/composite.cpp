// The final composite: every target of the frame and the lens images -> the output.
// Reads the camera's view (for the star-burst's turn) and size.
#include "render/composite.h"

#include "resources/gl_error.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {
// Degrees of star-burst turn per unit of the two view-matrix elements it follows.
constexpr float kStarTurnDegrees = 4.0f;
}  // namespace

glm::mat4 lensStarMatrix(const glm::mat4& view)
{
    const float degrees = kStarTurnDegrees * (view[0][2] + view[2][1]);
    const glm::mat4 identity(1.0f);
    const glm::vec3 centre(0.5f, 0.5f, 0.0f);
    return glm::translate(identity, centre) *
           glm::rotate(identity, glm::radians(degrees), glm::vec3(0.0f, 0.0f, 1.0f)) *
           glm::translate(identity, -centre);
}

void CompositePass::render(const FrameScene& scene, const FrameResources& resources,
                           const LensFlarePass& lensFlare) const
{
    rebuildIfChanged(*program);

    const RenderTargets& targets = resources.targets;
    resources.bindOutput();
    glViewport(0, 0, scene.camera.viewportWidth, scene.camera.viewportHeight);
    const glm::mat4 starMatrix = lensStarMatrix(scene.camera.view);

    glUseProgram(program->id());
    program->setTexture2D(targets.sceneColorTex, "sceneTex", 0);
    program->setTexture2D(targets.ssaoTex, "ssaoTex", 1);
    program->setTexture2D(targets.flareTex, "lensflareTex", 2);
    program->setTexture2D(lensFlare.lensStarTex, "uLensStarTex", 3);
    program->setTexture2D(lensFlare.lensDirtTex, "uLensDirtTex", 4);
    program->setTexture2D(targets.halfTex, "uBlurredDoFTex", 5);
    program->setTexture2D(targets.normalTex, "uAlphaTex", 6);
    program->setMat4(glm::value_ptr(starMatrix), "uLensStarMatrix");

    checkGlError();
    // The occlusion and the focus factor are full size, read at the pixel's own texel centre
    // (the scene colour target filters nearest of its own).
    resources.texelSampler.bind(1);
    resources.texelSampler.bind(6);
    glDisable(GL_DEPTH_TEST);
    resources.drawQuad();
    glEnable(GL_DEPTH_TEST);
    resources.texelSampler.unbind(1);
    resources.texelSampler.unbind(6);
    checkGlError();
}

void CompositePass::release()
{
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
