// The per-frame animation of the scene's objects: orbits and spins with their constants.
// Works on plain SceneObjects, so it runs without GL; reads the objects' positions as orbit
// centres and writes their positions and frames.
#pragma once

#include "scene/scene_object.h"

#include <glm/glm.hpp>

// Orbit angles of the animation in radians, accumulated in double precision and never wrapped.
struct SceneAngles {
    double bunny = 0.0;
    double probe = 0.0;
    double phobos = 0.0;
};

// What the animation moves; each orbit centre is read from its object's current position.
struct AnimatedObjects {
    SceneObject& bunny;
    SceneObject& sunSphere;
    SceneObject& earth;
    SceneObject& asteroid;
    SceneObject& deepSpace1;
    SceneObject& phobos;
};

// Places the object on the orbit about centre (phase and angle in radians; the path lies in the
// vertical plane through centre along (1, 0, 1)), then yaws and rolls it by 1 / max(angle, phase)
// degrees: once per call, not scaled by time. With that maximum at 0 the object does not spin.
void orbitAround(SceneObject& object, const glm::vec3& centre, float radius, float phase, float angle);

// One frame of animation with the frame's time step dt in seconds.
void animateScene(const AnimatedObjects& objects, SceneAngles& angles, float dt);
