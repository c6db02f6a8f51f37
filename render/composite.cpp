// The final composite: one full-screen quad into the framebuffer that is bound (the window's
// in the frame) combining the lit scene, occlusion, lens flare, the depth-of-field copy and the
// lens textures, with the star-burst turned as the camera turns. Reads the camera's view and size.
#include "render/renderer.h"

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

void Renderer::renderComposite(const FrameScene& scene)
{
    ShaderProgram& program = *compositeProgram;
    if (program.needsRebuild())
        program.rebuild();

    glViewport(0, 0, scene.camera.viewportWidth, scene.camera.viewportHeight);
    const glm::mat4 starMatrix = lensStarMatrix(scene.camera.view);

    glUseProgram(program.id());
    program.setTexture2D(targets.sceneColorTex, "sceneTex", 0);
    program.setTexture2D(targets.ssaoTex, "ssaoTex", 1);
    program.setTexture2D(targets.flareTex, "lensflareTex", 2);
    program.setTexture2D(lensStarTex, "uLensStarTex", 3);
    program.setTexture2D(lensDirtTex, "uLensDirtTex", 4);
    program.setTexture2D(targets.halfTex, "uBlurredDoFTex", 5);
    program.setTexture2D(targets.normalTex, "uAlphaTex", 6);
    program.setMat4(glm::value_ptr(starMatrix), "uLensStarMatrix");

    checkGlError();
    // The occlusion and the focus factor are full size, read at the pixel's own texel centre
    // (the scene colour target filters nearest of its own).
    texelSampler.bind(1);
    texelSampler.bind(6);
    quad.draw();
    texelSampler.unbind(1);
    texelSampler.unbind(6);
    checkGlError();
}
