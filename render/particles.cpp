// The rocket's exhaust: spawns and moves the particle pool on the CPU, streams every position
// into particleVbo (orphaned each frame) and draws all of them as alpha-blended points into the
// bound framebuffer (sceneFbo). Switches blending on and depth writes off for the draw only.
#include "render/particles.h"

#include "scene/gl_debug.h"
#include "scene/gl_names.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

// Spawn steps per second of frame time: one step (kParticlesPerStep particles) per 0.1 ms.
constexpr double kSpawnStepsPerSecond = 10000.0;
// Largest random deviation from the emitter direction, per axis, in units per second.
constexpr float kVelocitySpread = 0.375f;
constexpr GLsizeiptr kPositionBytes = GLsizeiptr(ParticleSystem::kPoolSize * sizeof(glm::vec4));

// A value in [-1, 0.999] from one draw.
float spread(int r)
{
    return (float(r % 2000) - 1000.0f) / 1000.0f;
}

}  // namespace

void ParticleSystem::init()
{
    deleteBuffer(particleVbo);
    deleteVertexArray(particleVao);
    emitterPosition = glm::vec3(0.0f);
    emitterDirection = glm::vec3(0.0f);
    glEnable(GL_PROGRAM_POINT_SIZE);
    glGenVertexArrays(1, &particleVao);
    glBindVertexArray(particleVao);
    for (Particle& particle : particles)
        particle.life = -1.0f;
    glGenBuffers(1, &particleVbo);
    glBindBuffer(GL_ARRAY_BUFFER, particleVbo);
    glBufferData(GL_ARRAY_BUFFER, kPositionBytes, nullptr, GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    labelObject(GL_VERTEX_ARRAY, particleVao, "particles");
    labelObject(GL_BUFFER, particleVbo, "particle positions");
}

void ParticleSystem::release()
{
    deleteBuffer(particleVbo);
    deleteVertexArray(particleVao);
    reportProgram.release();
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}

int ParticleSystem::findUnusedParticle()
{
    // life <= 0 counts as free: a particle whose life ran out at exactly 0 would otherwise be
    // neither alive nor ever reused, and the pool would shrink for good.
    for (int i = lastUsedParticle; i < kPoolSize; ++i) {
        if (particles[i].life <= 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    for (int i = 0; i < lastUsedParticle; ++i) {
        if (particles[i].life <= 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    return 0;
}

int ParticleSystem::simulate(double dt)
{
    int steps = int(dt * kSpawnStepsPerSecond);
    if (steps > kMaxSpawnSteps)
        steps = kMaxSpawnSteps;
    const int spawnCount = steps > 0 ? steps * kParticlesPerStep : 0;

    // Once a search finds no free particle, none frees up during the spawn loop, so every
    // further spawn would scan the whole pool only to take particle 0 over: skip the scans.
    bool poolFull = false;
    for (int n = 0; n < spawnCount; ++n) {
        int index = 0;
        if (!poolFull) {
            index = findUnusedParticle();
            poolFull = particles[index].life > 0.0f;
        }
        Particle& particle = particles[index];
        particle.life = float(random()) / kRandomMax + 1.0f;
        particle.position = emitterPosition;
        const int a = random();
        const int b = random();
        const int c = random();
        particle.velocity =
            emitterDirection + kVelocitySpread * glm::vec3(spread(c), spread(b), spread(a));
    }

    // Newly spawned particles move in this same step; dead ones wait at the emitter.
    const float step = float(dt);
    for (int i = 0; i < kPoolSize; ++i) {
        Particle& particle = particles[i];
        if (particle.life > 0.0f) {
            particle.life = float(double(particle.life) - dt);
            particle.position += particle.velocity * step;
        } else {
            particle.position = emitterPosition;
        }
        positions[i] = glm::vec4(particle.position, 1.0f);
    }
    return spawnCount;
}

void ParticleSystem::render(const FrameScene& scene, const FrameResources& resources, double sceneSeconds)
{
    const glm::mat4 viewProjection = scene.camera.projection * scene.camera.view;
    const double dt = sceneSeconds - lastParticleTime;
    lastParticleTime = sceneSeconds;
    simulate(dt);

    // Fresh storage every frame, so the driver need not wait for last frame's draw to finish.
    glBindBuffer(GL_ARRAY_BUFFER, particleVbo);
    resources.driverCall(DriverWork::Upload, [this] {
        glBufferData(GL_ARRAY_BUFFER, kPositionBytes, nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, kPositionBytes, positions.data());
    });

    // Depth is tested, so meshes hide the exhaust behind them, but not written: the points are
    // drawn in pool order, not back to front, and a point's faint rim written into the depth
    // buffer would cut every later point behind it into a dark-edged disc.
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    rebuildIfChanged(*program);
    glUseProgram(program->id());
    program->setVec3(emitterPosition, "origin");
    program->setMat4(glm::value_ptr(viewProjection), "VP");
    // Point sizes are in pixels: a world size becomes pixels through the projection's focal
    // length and half the viewport's height, so the exhaust keeps its size at any window size.
    const float pixelsPerUnit = scene.camera.projection[1][1] * 0.5f * float(scene.camera.viewportHeight);
    program->setFloat(pixelsPerUnit, "pixelsPerUnit");

    glBindVertexArray(particleVao);
    glEnableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, particleVbo);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(glm::vec4), nullptr);
    resources.driverCall(DriverWork::SceneDraw, [] { glDrawArrays(GL_POINTS, 0, kPoolSize); });
    glDisableVertexAttribArray(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}
