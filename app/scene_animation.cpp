// Per-frame animation: the bunny circles the white light sphere, the probe the asteroid and
// Phobos the Earth, each spinning once per frame; the Earth, the asteroid, the probe and Phobos
// also turn at fixed rates. Writes positions and frames of the objects it is handed.
#include "app/scene_animation.h"

#include <cmath>

namespace {
// Animation rates: orbit angles in radians per second, spins in degrees per second.
constexpr double kBunnyOrbitRate = 0.1;   // also drives Phobos's orbit
constexpr double kProbeOrbitRate = 0.5;
constexpr double kAngleIncrementWrap = 360.0;
constexpr float kEarthSpinRate = 5.0f;
constexpr float kAsteroidSpinRate = 3.5f;
constexpr float kProbeSpinRate = 2.0f;
constexpr float kPhobosSpinRate = 0.5f;
const glm::vec3 kTiltedAxis(0.0f, 1.0f, 1.0f);  // rotate() normalises it
const glm::vec3 kVerticalAxis(0.0f, 1.0f, 0.0f);

constexpr float kBunnyOrbitRadius = 12.0f;
constexpr float kBunnyOrbitPhase = 10.0f;
constexpr float kProbeOrbitRadius = 3.0f;
constexpr float kProbeOrbitPhase = 10.0f;
constexpr float kPhobosOrbitRadius = 10.0f;
constexpr float kPhobosOrbitPhase = 0.0f;

// The increment is wrapped, not the accumulated angle, which grows without bound.
double orbitIncrement(float dt, double rate)
{
    return std::fmod(double(dt) * rate, kAngleIncrementWrap);
}
}  // namespace

void orbitAround(SceneObject& object, const glm::vec3& centre, float radius, float phase, float angle)
{
    const float c = std::cos(phase);
    const float s = std::sin(angle);
    // x and z share the term radius cos(phase) sin(angle): the orbit's plane runs along (1, 0, 1).
    object.position = glm::vec3(centre.x + radius * c * s, centre.y + radius * std::cos(angle),
                                centre.z + radius * c * s);
    const float largest = angle > phase ? angle : phase;
    const float spin = 1.0f / largest;
    if (std::isfinite(spin)) {
        object.yaw(spin);
        object.roll(spin);
    }
    object.update();
}

void animateScene(const AnimatedObjects& objects, SceneAngles& angles, float dt)
{
    const double bunnyStep = orbitIncrement(dt, kBunnyOrbitRate);
    angles.bunny += bunnyStep;
    orbitAround(objects.bunny, objects.sunSphere.position, kBunnyOrbitRadius, kBunnyOrbitPhase,
                float(angles.bunny));

    objects.earth.rotate(dt * kEarthSpinRate, kTiltedAxis);
    objects.asteroid.rotate(dt * kAsteroidSpinRate, kVerticalAxis);
    objects.deepSpace1.rotate(dt * kProbeSpinRate, kVerticalAxis);

    angles.probe += orbitIncrement(dt, kProbeOrbitRate);
    orbitAround(objects.deepSpace1, objects.asteroid.position, kProbeOrbitRadius, kProbeOrbitPhase,
                float(angles.probe));

    angles.phobos += bunnyStep;
    orbitAround(objects.phobos, objects.earth.position, kPhobosOrbitRadius, kPhobosOrbitPhase,
                float(angles.phobos));
    objects.phobos.rotate(dt * kPhobosSpinRate, kTiltedAxis);
}

