// Camera: the SceneObject the scene is seen through. Owns the view and projection matrices
// (uniforms "V" and "P"), the window size the passes use for their viewports, and the
// scripted follow mode (orbit about a centre, or chase a point from a fixed offset).
#pragma once

#include "scene/scene_object.h"

#include <glm/glm.hpp>

class Camera : public SceneObject {
public:
    Camera();

    // Note the order: height first. Rebuilds the projection with a 45 degree vertical field of view.
    void setProjection(int height, int width, float nearPlane, float farPlane);
    // Advances the orbit angles (radians, wrapped at 6.28) and looks at center from the orbit sphere.
    // Does not move position and does not call update.
    void orbit(const glm::vec3& center, float dTheta, float dPhi);
    void update() override;
    void updateView();
    // Where the view matrix puts the eye (the translation of its inverse). In the scripted modes
    // this is not position: the orbit looks from its sphere, the chase from position + (7, 7, 7).
    glm::vec3 eyePosition() const;

    glm::mat4 view{1.0f};
    glm::mat4 projection;
    glm::vec3 chaseEye{0.0f};
    glm::vec3 chaseCenter{0.0f};
    glm::vec3 chaseUp{0.0f};
    int viewportHeight = 0;
    int viewportWidth = 0;
    bool followMode = true;
    float orbitTheta = 3.1f;
    float orbitPhi = 3.1f;
    float orbitRadius = 15.0f;
};

// The orbit angle at which the scripted camera switches from orbiting to chasing.
constexpr double kChaseAngle = 4.51;
