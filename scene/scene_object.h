// SceneObject: the base of everything placed in the scene (camera, lights, meshes).
// Owns a position, a frame of three axes and the path-following state; every move or turn
// ends with the virtual update() so derived classes re-derive their matrices.
#pragma once

#include <glm/glm.hpp>
#include <string>
#include <vector>

// One point of a path: x, y, z and the speed recorded with it (stored, never used to follow).
struct PathPoint {
    float x = 0, y = 0, z = 0, speed = 0;
};

// Degrees to radians, as a float constant (pi / 180).
constexpr float kDegreesToRadians = 0.017453292f;

class SceneObject {
public:
    SceneObject();
    virtual ~SceneObject() = default;

    // Turns in degrees. Net effect (right-hand rule): roll turns up about forward,
    // pitch turns forward about right, yaw turns forward about up.
    virtual void roll(float degrees);
    virtual void pitch(float degrees);
    virtual void yaw(float degrees);
    virtual void update() = 0;

    // Turns forward and up by -degrees about axis (normalised here; need not be unit length).
    void rotate(float degrees, const glm::vec3& axis);
    void setPosition(const glm::vec3& p);
    void moveForward(float distance);
    void moveRight(float distance);

    // Path following (scene/path.cpp).
    void loadPath(const std::string& path);
    void addPathPoint(float speed);
    void followPath(float speed);
    void evaluateSegment(const glm::vec3& p0, const glm::vec3& p1, const glm::vec3& p2,
                         const glm::vec3& p3, float t);

    glm::vec3 position{0.0f, 0.0f, 0.0f};
    glm::vec3 forward{0.0f, 0.0f, 1.0f};
    glm::vec3 up{0.0f, 1.0f, 0.0f};
    glm::vec3 right;
    bool hasPrevPosition = false;
    glm::vec3 prevPosition{0.0f, 0.0f, 0.0f};
    std::vector<PathPoint> pathPoints;
    float pathT = 0.0f;
    bool pathActive = false;
    int pathSegment = 0;
    // Derivative coefficients of the last evaluated segment: B'(t) = a t^2 + b t + c.
    glm::dvec3 derivativeA{0.0}, derivativeB{0.0}, derivativeC{0.0};
};

// Turns v by the GLM rotation matrix built from (degrees, axis), applied as a row vector:
// (v, 1) * R, which turns v by -degrees about axis.
glm::vec3 turnAsRowVector(const glm::vec3& v, float degrees, const glm::vec3& axis);
