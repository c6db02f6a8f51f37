// Keyboard input and the scripted camera: once per frame, before drawing, polls the keys and
// switches between the scripted camera (orbit above the Earth, then ride with the rocket along
// its path) and free flight, turns and moves the camera, and records the camera's path.
#pragma once

#include "scene/camera.h"

#include <functional>
#include <optional>
#include <glm/glm.hpp>

// The camera's start pose: this position, then (at start-up only) a yaw of kCameraStartYaw degrees.
// Key 4 returns to the position looking along +Z with +Y up.
const glm::vec3 kCameraStartPosition(0.6f, 5.6f, 8.0f);
constexpr float kCameraStartYaw = -6.0f;

// True while the key (a GLFW key code) is held. The Application polls the window with it;
// tests hand in their own.
using KeyPoller = std::function<bool(int key)>;

// Presses of the mode keys 1 to 4 that the key callback saw since input last read them. Keys
// are polled once a frame, and at a few frames a second a tap can begin and end between two
// polls; its press is kept here so that it still counts, once.
struct KeyTaps {
    bool pressed[4] = {};  // keys 1 to 4

    // From the key callback; other keys are left to polling.
    void press(int key);
    // True once after each press of the key, then false until the next press.
    bool take(int key);
};

// keyHeld, or a press of the key waiting in taps (which the read takes).
KeyPoller heldOrTapped(const KeyPoller& keyHeld, KeyTaps& taps);

// What one frame of input reads and writes.
struct InputTargets {
    Camera& camera;
    SceneObject& rocket;
    const SceneObject& earth;
    bool& recordingPath;  // on with key 1, off with key 2; adds a camera path point every frame
    bool& rocketView;     // set on the first frame that chases the rocket, never cleared
};

// One frame of input; ends with the camera's update. Free flight moves by the frame's time step
// dt, the scripted camera and the rocket's path by the scene clock's scriptDt (both seconds);
// without a scriptDt (a paused scene) the script holds still while the camera can still fly.
void handleInput(float dt, std::optional<float> scriptDt, const KeyPoller& keyHeld, const InputTargets& targets);
