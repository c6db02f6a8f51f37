// The star-field sky box: a 36-vertex cube and a cube map drawn into whatever framebuffer is
// bound (sceneFbo, after the lighting pass). Reads the camera's matrices; turns
// depth writes off for its draw and back on after it; sets no framebuffer or viewport.
#include "render/sky_box.h"

#include "scene/gl_debug.h"
#include "scene/gl_names.h"
#include "scene/texture.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <utility>

namespace {

constexpr int kCubeVertexCount = 36;
// Texture unit of "cube_texture"; units 0..2 belong to the screen-space passes.
constexpr int kCubeMapUnit = 3;

// Two triangles per face, half-size 50, faces in the order -z, -x, +x, +z, +y, -y.
const float kCubeVertices[kCubeVertexCount * 3] = {
    -50, 50, -50, -50, -50, -50, 50, -50, -50, 50, -50, -50, 50, 50, -50, -50, 50, -50,
    -50, -50, 50, -50, -50, -50, -50, 50, -50, -50, 50, -50, -50, 50, 50, -50, -50, 50,
    50, -50, -50, 50, -50, 50, 50, 50, 50, 50, 50, 50, 50, 50, -50, 50, -50, -50,
    -50, -50, 50, -50, 50, 50, 50, 50, 50, 50, 50, 50, 50, -50, 50, -50, -50, 50,
    -50, 50, -50, 50, 50, -50, 50, 50, 50, 50, 50, 50, -50, 50, 50, -50, 50, -50,
    -50, -50, -50, -50, -50, 50, 50, -50, -50, 50, -50, -50, -50, -50, 50, 50, -50, 50,
};
static_assert(sizeof(kCubeVertices) == 432, "36 vertices of three floats");

}  // namespace

void SkyBox::init(ImageDecode starField)
{
    release();
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kCubeVertices), kCubeVertices, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    labelObject(GL_VERTEX_ARRAY, vertexArray, "sky box cube");
    labelObject(GL_BUFFER, vertexBuffer, "sky box cube corners");
    cubeMap = loadCubeMap(std::move(starField));
    loadShaders(program, "shaders/skyBox.vert", "shaders/skyBox.frag");
}

void SkyBox::render(const FrameScene& scene, const FrameResources& resources) const
{
    const Camera& camera = scene.camera;
    // Depth writes off: the box must never hide what is drawn after it. The vertex stage puts
    // it just inside the far plane, so it only fills pixels no mesh has covered.
    glDepthMask(GL_FALSE);
    program.use();
    program.setMat4(glm::value_ptr(camera.projection), "P");
    // view x T(eye) cancels the camera's translation: the box stays centred on the eye.
    const glm::mat4 rotationOnly = glm::translate(camera.view, camera.eyePosition());
    program.setMat4(glm::value_ptr(rotationOnly), "V");
    program.setCubeMap(cubeMap, "cube_texture", kCubeMapUnit);
    glBindVertexArray(vertexArray);
    resources.driverCall(DriverWork::SceneDraw, [] { glDrawArrays(GL_TRIANGLES, 0, kCubeVertexCount); });
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
}

void SkyBox::release()
{
    deleteVertexArray(vertexArray);
    deleteBuffer(vertexBuffer);
    deleteTexture(cubeMap);
    program.release();
}
