// Per-frame keyboard handling: the key map, the mode switches (3 scripted, 4 free flight from
// the start pose), free-flight turns and moves, the scripted orbit-then-chase timeline with the
// rocket's path step, and path recording. Reads keys and the taps latched between polls; writes
// the camera, the rocket and two flags.
#include "app/input.h"

#include <GLFW/glfw3.h>

namespace {
constexpr float kTurnRate = 90.0f;  // degrees per second
constexpr float kMoveRate = 3.0f;   // units per second
// The up arrow turns the view towards +X by a fixed step per frame, whatever the frame time.
const glm::vec3 kUpArrowStep(0.1f, 0.0f, 0.0f);
constexpr double kDownArrowOrbitRate = 0.5;  // radians per second, both orbit angles
constexpr double kScriptedOrbitRate = 0.1;   // radians per second, both orbit angles
const glm::vec3 kScriptedOrbitLift(0.0f, 6.0f, 0.0f);  // the scripted orbit circles above the Earth
constexpr float kRecordedPointSpeed = 10.0f;

void flyFree(float dt, const KeyPoller& keyHeld, Camera& camera, const SceneObject& earth)
{
    // Each held key acts at once, so later keys act on the frame left by earlier ones.
    if (keyHeld(GLFW_KEY_E))
        camera.roll(dt * kTurnRate);
    if (keyHeld(GLFW_KEY_Q))
        camera.roll(dt * -kTurnRate);
    if (keyHeld(GLFW_KEY_W))
        camera.pitch(dt * kTurnRate);
    if (keyHeld(GLFW_KEY_S))
        camera.pitch(dt * -kTurnRate);
    if (keyHeld(GLFW_KEY_A))
        camera.yaw(dt * kTurnRate);
    if (keyHeld(GLFW_KEY_D))
        camera.yaw(dt * -kTurnRate);
    if (keyHeld(GLFW_KEY_UP))
        camera.forward = glm::normalize(camera.forward + kUpArrowStep);
    if (keyHeld(GLFW_KEY_DOWN)) {
        // The orbit's view is replaced by the free-flight view at the frame's update; what stays
        // is the advance of the orbit angles, and with it the scripted camera's timing.
        const float step = float(double(dt) * kDownArrowOrbitRate);
        camera.orbit(earth.position, step, step);
    }
    if (keyHeld(GLFW_KEY_RIGHT))
        camera.moveRight(dt * kMoveRate);
    if (keyHeld(GLFW_KEY_LEFT))
        camera.moveRight(dt * -kMoveRate);
    if (keyHeld(GLFW_KEY_M))
        camera.moveForward(dt * kMoveRate);
    if (keyHeld(GLFW_KEY_N))
        camera.moveForward(dt * -kMoveRate);
}

void followScript(float dt, const InputTargets& targets)
{
    Camera& camera = targets.camera;
    targets.rocket.followPath(dt);
    if (double(camera.orbitTheta) >= kChaseAngle && double(camera.orbitPhi) >= kChaseAngle) {
        camera.setPosition(targets.rocket.position);
        targets.rocketView = true;
    } else {
        const float step = float(double(dt) * kScriptedOrbitRate);
        camera.orbit(targets.earth.position + kScriptedOrbitLift, step, step);
    }
}
}  // namespace

void KeyTaps::press(int key)
{
    if (key >= GLFW_KEY_1 && key <= GLFW_KEY_4)
        pressed[key - GLFW_KEY_1] = true;
}

bool KeyTaps::take(int key)
{
    if (key < GLFW_KEY_1 || key > GLFW_KEY_4)
        return false;
    const bool wasPressed = pressed[key - GLFW_KEY_1];
    pressed[key - GLFW_KEY_1] = false;
    return wasPressed;
}

KeyPoller heldOrTapped(const KeyPoller& keyHeld, KeyTaps& taps)
{
    // The tap is taken even when the key is still held, so the press counts in this frame only.
    return [&keyHeld, &taps](int key) {
        const bool tapped = taps.take(key);
        return keyHeld(key) || tapped;
    };
}

void handleInput(float dt, std::optional<float> scriptDt, const KeyPoller& keyHeld, const InputTargets& targets)
{
    Camera& camera = targets.camera;
    if (keyHeld(GLFW_KEY_1))
        targets.recordingPath = true;
    if (keyHeld(GLFW_KEY_2))
        targets.recordingPath = false;
    if (keyHeld(GLFW_KEY_3))
        camera.followMode = true;
    if (keyHeld(GLFW_KEY_4)) {
        // Back to the start position, without the start yaw; right keeps its last value and the
        // view takes the new axes at the update below.
        camera.followMode = false;
        camera.setPosition(kCameraStartPosition);
        camera.forward = glm::vec3(0.0f, 0.0f, 1.0f);
        camera.up = glm::vec3(0.0f, 1.0f, 0.0f);
    }

    if (!camera.followMode)
        flyFree(dt, keyHeld, camera, targets.earth);
    else if (scriptDt)
        followScript(*scriptDt, targets);

    if (targets.recordingPath)
        camera.addPathPoint(kRecordedPointSpeed);
    camera.update();
}
