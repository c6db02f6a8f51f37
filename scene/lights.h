// Lights: SceneObjects whose fields the lighting pass writes into the shader's light array
// (ShaderProgram::setLight). They differ only in type code and default parameters; what the
// attenuation and spot components mean is fixed by shaders/blinnPhong.frag.
#pragma once

#include "scene/scene_object.h"

class LightObject : public SceneObject {
public:
    void update() override {}
    // 0 directional, 1 point, 2 spot: the "iLightType" the shader branches on.
    virtual int lightType() const = 0;

    glm::vec3 color{0.0f};
    float intensity = 0.0f;
    glm::vec3 attenuation{0.0f, 0.0f, 0.18f};
    glm::vec3 spotParams{0.0f};
    glm::vec3 direction{0.0f};
};

class DirectionalLight : public LightObject {
public:
    int lightType() const override { return 0; }
};

class PointLight : public LightObject {
public:
    int lightType() const override { return 1; }
};

class SpotLight : public LightObject {
public:
    SpotLight()
    {
        attenuation = glm::vec3(1.0f, 0.0f, 0.0f);
        spotParams = glm::vec3(0.5f, 0.7f, 5.0f);
        direction = glm::vec3(1.4f, -4.0f, 1.4f);
    }
    int lightType() const override { return 2; }
};
