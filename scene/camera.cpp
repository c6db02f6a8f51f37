// Camera projection, orbit and chase views.
#include "scene/camera.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

namespace {
constexpr float kFieldOfViewDegrees = 45.0f;
constexpr float kAngleWrap = 6.28f;  // the orbit angles wrap at this float, not at 2 pi
const glm::vec3 kChaseOffset(7.0f, 7.0f, 7.0f);

glm::mat4 perspectiveFor(float aspect, float nearPlane, float farPlane)
{
    return glm::perspective(kFieldOfViewDegrees * kDegreesToRadians, aspect, nearPlane, farPlane);
}
}  // namespace

Camera::Camera() : projection(perspectiveFor(4.0f / 3.0f, 0.1f, 1000.0f))
{
    position = glm::vec3(0.0f, 0.0f, -1.0f);
    right = glm::normalize(glm::cross(forward, up));
}

void Camera::setProjection(int height, int width, float nearPlane, float farPlane)
{
    viewportHeight = height;
    viewportWidth = width;
    projection = perspectiveFor(float(width) / float(height), nearPlane, farPlane);
}

void Camera::orbit(const glm::vec3& center, float dTheta, float dPhi)
{
    orbitTheta = std::fmod(dTheta + orbitTheta, kAngleWrap);
    orbitPhi = std::fmod(dPhi + orbitPhi, kAngleWrap);
    const glm::vec3 eye = center + glm::vec3(std::cos(orbitTheta) * orbitRadius * std::sin(orbitPhi),
                                             std::sin(orbitTheta) * orbitRadius * std::sin(orbitPhi),
                                             std::cos(orbitPhi) * orbitRadius);
    view = glm::lookAt(eye, center, up);
    chaseUp = glm::vec3(0.0f, 1.0f, 0.0f);
}

void Camera::update()
{
    if (followMode) {
        chaseEye = position + kChaseOffset;
        chaseCenter = position;
    }
    updateView();
}

void Camera::updateView()
{
    if (!followMode)
        view = glm::lookAt(position, position + forward, up);
    else if (double(orbitTheta) >= kChaseAngle)
        view = glm::lookAt(chaseEye, chaseCenter, chaseUp);
}

glm::vec3 Camera::eyePosition() const
{
    return glm::vec3(glm::inverse(view)[3]);
}
