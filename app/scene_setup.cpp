// The scene the Application builds at start-up (camera pose, seven meshes, four lights, the
// rocket's path) and the factories that give the Application ownership of each object; hands
// the animation its objects. Reads the scene's files under models/; writes the Application's lists.
#include "app/application.h"

#include "render/sky_box.h"
#include "scene/obj_loader.h"

#include <utility>

namespace {
constexpr float kLightIntensity = 200.0f;
const glm::vec3 kSunPosition(0.0f, 8.0f, 70.0f);  // the white sphere sits on the first directional light
}  // namespace

MeshObject* Application::addMeshWithNormalMap(const std::string& objPath, ImageDecode diffuse, ImageDecode normalMap)
{
    MeshObject* mesh = createMesh(objPath, std::move(diffuse), std::move(normalMap));
    mesh->hasNormalMap = true;
    meshes.push_back(mesh);
    return mesh;
}

MeshObject* Application::addTexturedMesh(const std::string& objPath, ImageDecode diffuse)
{
    MeshObject* mesh = createMesh(objPath, std::move(diffuse));
    meshes.push_back(mesh);
    return mesh;
}

MeshObject* Application::addPlainMesh(const std::string& objPath)
{
    MeshObject* mesh = createMesh(objPath);
    mesh->hasDiffuseTexture = false;
    meshes.push_back(mesh);
    return mesh;
}

MeshObject* Application::addUnlitMesh(const std::string& objPath, ImageDecode diffuse)
{
    MeshObject* mesh = createMesh(objPath, std::move(diffuse));
    unlitMeshes.push_back(mesh);
    return mesh;
}

template <typename Light>
Light* Application::addLight(const glm::vec3& color, float intensity)
{
    Light* light = new Light;
    light->color = color;
    light->intensity = intensity;
    lights.push_back(light);
    return light;
}

PointLight* Application::addPointLight(const glm::vec3& color, float intensity)
{
    return addLight<PointLight>(color, intensity);
}

SpotLight* Application::addSpotLight(const glm::vec3& color, float intensity)
{
    return addLight<SpotLight>(color, intensity);
}

DirectionalLight* Application::addDirectionalLight(const glm::vec3& color, float intensity)
{
    return addLight<DirectionalLight>(color, intensity);
}

void Application::placeCamera()
{
    camera.setPosition(kCameraStartPosition);
    camera.yaw(kCameraStartYaw);
}

void Application::createMeshes(StartUpImages& images)
{
    bunny = addPlainMesh("models/bunny/bunny.obj");
    bunny->diffuseColor = glm::vec4(0.5f);
    bunny->computeBoundingSphere();

    rocket = addTexturedMesh("models/rocket/rocketPiv2.obj", std::move(images.rocket));
    rocket->scaleBy(2.0f);
    rocket->setPosition(glm::vec3(10.0f, 7.0f, 15.0f));
    rocket->roll(90.0f);
    rocket->loadPath("models/newRocket.txt");
    rocket->computeBoundingSphere();

    asteroid = addPlainMesh("models/asteroid/asteroidUV.obj");
    asteroid->diffuseColor = glm::vec4(0.55f);
    asteroid->setPosition(glm::vec3(-4.5f, 6.0f, 40.0f));
    asteroid->scaleBy(0.25f);

    deepSpace1 = addMeshWithNormalMap("models/deepSpace1/deepSpace1.obj", std::move(images.probe),
                                      std::move(images.probeNormalMap));
    deepSpace1->scaleBy(0.3f);

    phobos = addTexturedMesh("models/phobos/phobosTriUV.obj", std::move(images.phobos));
    phobos->scaleBy(0.15f);
    phobos->setPosition(glm::vec3(-6.5f, 6.0f, 30.0f));

    earth = addMeshWithNormalMap("models/earth/earthBlend.obj", std::move(images.earth),
                                 std::move(images.earthNormalMap));
    earth->scaleBy(5.0f);
    earth->setPosition(glm::vec3(0.0f, 0.0f, 15.0f));

    sunSphere = addUnlitMesh("models/earth/earthBlend.obj", std::move(images.sun));
    sunSphere->scaleBy(5.0f);
    sunSphere->setPosition(kSunPosition);
}

void Application::createLights()
{
    // Creation order is the index in the shader's light array.
    pointLight = addPointLight(glm::vec3(1.0f, 1.0f, 1.0f), kLightIntensity);
    spotLight = addSpotLight(glm::vec3(1.0f, 0.8f, 1.0f), kLightIntensity);
    directionalLight = addDirectionalLight(glm::vec3(0.5f), kLightIntensity);
    pointLight->setPosition(glm::vec3(-3.0f, 1.25f, -3.0f));
    spotLight->setPosition(glm::vec3(5.0f, 1.25f, 1.0f));
    directionalLight->setPosition(kSunPosition);
    addDirectionalLight(glm::vec3(0.5f), kLightIntensity)->setPosition(glm::vec3(0.0f, 8.0f, 0.0f));
}

void Application::deleteSceneObjects()
{
    for (MeshObject* mesh : meshes)
        delete mesh;
    for (MeshObject* mesh : unlitMeshes)
        delete mesh;
    for (LightObject* light : lights)
        delete light;
    meshes.clear();
    unlitMeshes.clear();
    lights.clear();
}

void Application::animate(float dt)
{
    animateScene(AnimatedObjects{*bunny, *sunSphere, *earth, *asteroid, *deepSpace1, *phobos},
                 sceneAngles, dt);
}
