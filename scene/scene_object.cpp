// SceneObject transforms: turning and moving the frame. Path following lives in path.cpp.
#include "scene/scene_object.h"

#include <glm/gtc/matrix_transform.hpp>

SceneObject::SceneObject() : right(glm::normalize(glm::cross(forward, up))) {}

glm::vec3 turnAsRowVector(const glm::vec3& v, float degrees, const glm::vec3& axis)
{
    const glm::mat4 r = glm::rotate(glm::mat4(1.0f), degrees * kDegreesToRadians, axis);
    const glm::vec4 row(v, 1.0f);
    // Component i is the dot product of column i of R with (v, 1).
    return glm::vec3(glm::dot(r[0], row), glm::dot(r[1], row), glm::dot(r[2], row));
}

void SceneObject::pitch(float degrees)
{
    forward = turnAsRowVector(forward, -degrees, right);
    up = glm::cross(right, forward);
    update();
}

void SceneObject::roll(float degrees)
{
    up = turnAsRowVector(up, -degrees, forward);
    right = glm::cross(forward, up);
    update();
}

void SceneObject::yaw(float degrees)
{
    forward = turnAsRowVector(forward, -degrees, up);
    right = glm::cross(forward, up);
    update();
}

void SceneObject::rotate(float degrees, const glm::vec3& axis)
{
    const glm::vec3 unitAxis = glm::normalize(axis);
    forward = turnAsRowVector(forward, degrees, unitAxis);
    up = turnAsRowVector(up, degrees, unitAxis);
    right = glm::cross(forward, up);
    update();
}

void SceneObject::setPosition(const glm::vec3& p)
{
    position = p;
    update();
}

void SceneObject::moveForward(float distance)
{
    position += distance * forward;
    update();
}

void SceneObject::moveRight(float distance)
{
    position += distance * right;
    update();
}
