// The lighting and unlit passes on real GL: the uniforms as the pass leaves them (read back),
// culling, and the light conventions of the Blinn-Phong shader seen in rendered HDR pixels.
#include "gl_fixture.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr int kCentre = kTargetSize / 2;
const glm::vec3 kEye(0.0f, 3.0f, 0.0f);
// A square of half-size 1 in the y = 0 plane, normal +y, tangent (+u) along +x and +v along -z:
// an unmirrored mapping, tangent x bitangent = normal.
const Quad kSquare{{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}, {0, 1, 0}};

glm::mat4 uniformMat4(GLuint program, const char* name)
{
    glm::mat4 value(-1.0f);
    glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(value));
    return value;
}

glm::vec3 uniformVec3(GLuint program, const std::string& name)
{
    glm::vec3 value(-1.0f);
    glGetUniformfv(program, glGetUniformLocation(program, name.c_str()), glm::value_ptr(value));
    return value;
}

GLint uniformInt(GLuint program, const std::string& name)
{
    GLint value = -1;
    glGetUniformiv(program, glGetUniformLocation(program, name.c_str()), &value);
    return value;
}

void expectMatNear(const glm::mat4& actual, const glm::mat4& expected)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f) << "column " << c << " row " << r;
}

class LightingPassTest : public SharedRendererTest {
protected:
    void SetUp() override
    {
        // Looking straight down at the square from kEye, +z up on the screen.
        camera.setProjection(kTargetSize, kTargetSize, 0.1f, 100.0f);
        camera.position = kEye;
        camera.view = glm::lookAt(kEye, glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, 1.0f));
        planes = computeFrustumPlanes(camera.projection, camera.view);
        square.hasDiffuseTexture = false;
        square.diffuseColor = glm::vec4(0.5f, 0.25f, 0.125f, 1.0f);
        addQuads(square, {kSquare});
        meshes = {&square};
        glViewport(0, 0, kTargetSize, kTargetSize);
        drainGlErrors();
    }

    FrameScene frame() const { return FrameScene{camera, meshes, unlitMeshes, lights, planes, false}; }

    // The lit scene's centre pixel (the middle of the square) after one lighting pass.
    glm::vec3 litCentre()
    {
        renderer->lighting.render(frame(), renderer->resources);
        return glm::vec3(readTexel(renderer->resources.targets.sceneColorTex, kCentre, kCentre));
    }

    Camera camera;
    FrustumPlanes planes{};
    MeshObject square;
    std::vector<MeshObject*> meshes;
    std::vector<MeshObject*> unlitMeshes;
    std::vector<LightObject*> lights;
};

// The scripted views do not look from the camera's position: the orbit looks from its sphere
// about the centre, the chase from 7 units along each axis off the rocket. Specular highlights
// need the eye the frame is drawn from.
TEST_F(LightingPassTest, EyeIsWhereTheOrbitAndTheChaseLookFrom)
{
    const glm::vec3 centre(0.0f, 6.0f, 15.0f);
    camera.position = glm::vec3(0.6f, 5.6f, 8.0f);
    camera.orbit(centre, 0.25f, 0.5f);
    const float theta = camera.orbitTheta, phi = camera.orbitPhi;
    const glm::vec3 orbitEye = centre + camera.orbitRadius * glm::vec3(std::cos(theta) * std::sin(phi),
                                                                       std::sin(theta) * std::sin(phi), std::cos(phi));
    renderer->lighting.render(frame(), renderer->resources);
    expectVec(uniformVec3(renderer->lighting.program->id(), "vEyePos"), orbitEye, 1e-4f);

    camera.orbitTheta = camera.orbitPhi = 4.6f;
    camera.position = glm::vec3(10.0f, 7.0f, 15.0f);
    camera.update();
    renderer->lighting.render(frame(), renderer->resources);
    expectVec(uniformVec3(renderer->lighting.program->id(), "vEyePos"), glm::vec3(17.0f, 14.0f, 22.0f), 1e-4f);
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(LightingPassTest, SetsEveryUniformOfTheLastDrawnMesh)
{
    // The first mesh takes the texture paths, the second the flat colour: the samplers keep the
    // units the first one set.
    MeshObject textured;
    addQuads(textured, {kSquare});
    textured.diffuseTexture = makeFilledTexture(GL_RGBA8, 1, 1, glm::vec4(1.0f));
    textured.normalMapTexture = makeFilledTexture(GL_RGBA8, 1, 1, glm::vec4(0.5f, 0.5f, 1.0f, 1.0f));
    textured.hasNormalMap = true;
    square.model = glm::translate(glm::mat4(1.0f), glm::vec3(0.25f, 0.0f, -0.5f));
    meshes = {&textured, &square};

    PointLight point;
    point.color = glm::vec3(1.0f, 0.5f, 0.25f);
    point.intensity = 200.0f;
    point.setPosition(glm::vec3(-3.0f, 1.25f, -3.0f));
    SpotLight spot;
    spot.intensity = 100.0f;
    lights = {&point, &spot};

    renderer->lighting.render(frame(), renderer->resources);
    const GLuint program = renderer->lighting.program->id();
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), renderer->resources.targets.sceneFbo);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(GLuint(current), program);

    expectMatNear(uniformMat4(program, "MVP"), camera.projection * camera.view * square.model);
    expectMatNear(uniformMat4(program, "M"), square.model);
    expectMatNear(uniformMat4(program, "V"), camera.view);
    expectMatNear(uniformMat4(program, "mNormalMatrix"),
                  glm::transpose(glm::inverse(camera.view * square.model)));
    expectVec(uniformVec3(program, "vEyePos"), kEye);
    EXPECT_EQ(uniformInt(program, "numberOfLights"), 2);
    EXPECT_EQ(uniformVec3(program, "lights[0].vPosition"), point.position);
    EXPECT_EQ(uniformVec3(program, "lights[0].vLightColor"), point.color);
    EXPECT_EQ(uniformVec3(program, "lights[0].vAttenuation"), glm::vec3(0.0f, 0.0f, 0.18f));
    EXPECT_EQ(uniformInt(program, "lights[0].iLightType"), 1);
    EXPECT_EQ(uniformVec3(program, "lights[1].vSpotLight"), glm::vec3(0.5f, 0.7f, 5.0f));
    EXPECT_EQ(uniformVec3(program, "lights[1].vDirection"), glm::vec3(1.4f, -4.0f, 1.4f));
    EXPECT_EQ(uniformInt(program, "lights[1].iLightType"), 2);
    EXPECT_EQ(uniformVec3(program, "vMaterialDiffuse"), glm::vec3(0.5f, 0.25f, 0.125f));
    EXPECT_EQ(uniformInt(program, "hasDiffuseTex"), 0);
    EXPECT_EQ(uniformInt(program, "hasNormalMap"), 0);
    EXPECT_EQ(uniformInt(program, "diffuseTexture"), 0);
    EXPECT_EQ(uniformInt(program, "normalMap"), 1);
    GLint normalMapOnUnit1 = 0;
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &normalMapOnUnit1);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GLuint(normalMapOnUnit1), textured.normalMapTexture);
    EXPECT_EQ(drainGlErrors(), 0);

    lights.clear();
    renderer->lighting.render(frame(), renderer->resources);
    EXPECT_EQ(uniformInt(program, "numberOfLights"), 0);
}

TEST_F(LightingPassTest, CulledMeshIsNotDrawnByEitherPass)
{
    DirectionalLight above;
    above.color = glm::vec3(1.0f);
    above.intensity = 200.0f;
    above.setPosition(glm::vec3(0.0f, 8.0f, 0.0f));
    lights = {&above};
    EXPECT_GT(litCentre().r, 0.0f);

    // The sphere test reads the mesh's position, the draw its model matrix: a sphere far behind
    // the camera hides a square that would otherwise cover the centre.
    square.boundsType = BoundsSphere;
    square.boundingRadius = 1.5f;
    square.position = glm::vec3(0.0f, 50.0f, 0.0f);
    EXPECT_EQ(litCentre(), glm::vec3(0.0f));

    MeshObject sun;
    addQuads(sun, {kSquare});
    sun.diffuseTexture = makeFilledTexture(GL_RGBA8, 1, 1, glm::vec4(1.0f));
    unlitMeshes = {&sun};
    renderer->lighting.render(frame(), renderer->resources);
    renderer->unlit.render(frame(), renderer->resources);
    EXPECT_GT(readTexel(renderer->resources.targets.sceneColorTex, kCentre, kCentre).r, 1.0f)
        << "the unlit sphere is a light: brighter than 1 in HDR";
    sun.boundsType = BoundsSphere;
    sun.boundingRadius = 1.5f;
    sun.position = glm::vec3(0.0f, 50.0f, 0.0f);
    renderer->lighting.render(frame(), renderer->resources);
    renderer->unlit.render(frame(), renderer->resources);
    EXPECT_EQ(readTexel(renderer->resources.targets.sceneColorTex, kCentre, kCentre), glm::vec4(0.0f));
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), renderer->resources.targets.sceneFbo) << "the scene target stays bound";
    EXPECT_EQ(drainGlErrors(), 0);
}

TEST_F(LightingPassTest, DirectionalLightShinesFromItsPositionTowardsTheOrigin)
{
    DirectionalLight light;
    light.color = glm::vec3(0.5f);
    light.intensity = 200.0f;
    lights = {&light};

    light.setPosition(glm::vec3(0.0f, 8.0f, 0.0f));
    const glm::vec3 lit = litCentre();
    light.setPosition(glm::vec3(0.0f, -8.0f, 0.0f));
    const glm::vec3 behind = litCentre();
    lights.clear();
    const glm::vec3 ambientOnly = litCentre();

    EXPECT_GT(ambientOnly.r, 0.0f) << "unlit sides are dark, not black";
    EXPECT_EQ(behind, ambientOnly);
    EXPECT_GT(lit.r, 10.0f * ambientOnly.r);
    EXPECT_GT(lit.r, 1.0f) << "a head-on highlight of the scene's lights exceeds 1 for the bloom";
    // The flat colour is the albedo: the channels keep its proportions apart from the white highlight.
    EXPECT_GT(lit.r, lit.g);
    EXPECT_GT(lit.g, lit.b);
}

TEST_F(LightingPassTest, PointLightFallsOffWithItsQuadraticAttenuation)
{
    PointLight light;
    light.color = glm::vec3(1.0f);
    light.intensity = 200.0f;
    lights = {&light};
    const glm::vec3 ambient = [&] {
        lights.clear();
        const glm::vec3 value = litCentre();
        lights = {&light};
        return value;
    }();

    light.setPosition(glm::vec3(0.0f, 2.0f, 0.0f));
    const float near = litCentre().r - ambient.r;
    light.setPosition(glm::vec3(0.0f, 4.0f, 0.0f));
    const float far = litCentre().r - ambient.r;
    EXPECT_NEAR(near / far, 4.0f, 0.01f);

    light.attenuation = glm::vec3(1.0f, 0.0f, 0.0f);
    const float constant = litCentre().r - ambient.r;
    light.setPosition(glm::vec3(0.0f, 2.0f, 0.0f));
    EXPECT_NEAR(litCentre().r - ambient.r, constant, 1e-3f * constant);
}

TEST_F(LightingPassTest, SpotLightLightsOnlyInsideItsCone)
{
    SpotLight spot;
    spot.color = glm::vec3(1.0f);
    spot.intensity = 200.0f;
    spot.setPosition(glm::vec3(0.0f, 2.0f, 0.0f));
    lights = {&spot};

    spot.direction = glm::vec3(0.0f, -1.0f, 0.0f);
    const glm::vec3 onAxis = litCentre();
    spot.direction = glm::vec3(1.4f, -4.0f, 1.4f);  // the default: 26 degrees off the centre
    const glm::vec3 offAxis = litCentre();
    spot.direction = glm::vec3(1.0f, 0.0f, 0.0f);    // 90 degrees: outside the 60 degree cone
    const glm::vec3 outside = litCentre();
    lights.clear();
    const glm::vec3 ambient = litCentre();

    EXPECT_EQ(outside, ambient);
    EXPECT_GT(offAxis.r, ambient.r);
    EXPECT_LT(offAxis.r, onAxis.r);
}

TEST_F(LightingPassTest, NormalMapBendsTheNormalInTangentSpace)
{
    // A light low over the +x horizon: the plain square barely catches it.
    DirectionalLight light;
    light.color = glm::vec3(1.0f);
    light.intensity = 200.0f;
    light.setPosition(glm::vec3(8.0f, 1.0f, 0.0f));
    lights = {&light};
    const glm::vec3 plain = litCentre();

    // A float map, so that 0.5 encodes exactly 0.
    square.normalMapTexture = makeFilledTexture(GL_RGBA32F, 1, 1, glm::vec4(0.5f, 0.5f, 1.0f, 1.0f));
    square.hasNormalMap = true;
    EXPECT_LT(glm::length(litCentre() - plain), 1e-3f * glm::length(plain)) << "a flat map changes nothing";

    // Tilted towards +u (the tangent, world +x), that is towards the light; then away from it.
    fillTexture(square.normalMapTexture, 1, 1, glm::vec4(0.85f, 0.5f, 0.85f, 1.0f));
    const glm::vec3 towards = litCentre();
    fillTexture(square.normalMapTexture, 1, 1, glm::vec4(0.15f, 0.5f, 0.85f, 1.0f));
    const glm::vec3 away = litCentre();
    EXPECT_GT(towards.r, 1.5f * plain.r);
    EXPECT_LT(away.r, plain.r);

    // Tilted towards +v, the bitangent (world -z here), with the light low over -z.
    light.setPosition(glm::vec3(0.0f, 1.0f, -8.0f));
    fillTexture(square.normalMapTexture, 1, 1, glm::vec4(0.5f, 0.5f, 1.0f, 1.0f));
    const glm::vec3 flatToMinusZ = litCentre();
    fillTexture(square.normalMapTexture, 1, 1, glm::vec4(0.5f, 0.85f, 0.85f, 1.0f));
    EXPECT_GT(litCentre().r, 1.5f * flatToMinusZ.r);
    EXPECT_EQ(drainGlErrors(), 0);
}

}  // namespace
