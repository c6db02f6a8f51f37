// Particles: the rocket's exhaust. A CPU-simulated pool of 10 000 points that spawn at the
// emitter, fly straight with a randomised velocity and die after one to two seconds. Every
// frame streams all positions to particleVbo (orphaned) and draws them as blended points.
#pragma once

#include "render/random.h"
#include "resources/shader.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <vector>

struct Particle {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};  // units per second
    float life = 0.0f;         // seconds left; > 0 alive, <= 0 free (parked at the emitter)
};

class ParticleSystem {
public:
    static constexpr int kPoolSize = 10000;
    static constexpr int kMaxSpawnSteps = 160;
    static constexpr int kParticlesPerStep = 5;

    // initParticles: emitter to the origin, every particle free, GL objects made.
    void init();
    void release();
    // Index of a free particle (life <= 0), searching from lastUsedParticle and wrapping; 0 when
    // none is free, which takes particle 0 over again.
    int findUnusedParticle();
    // Spawns for a time step of dt seconds and moves every particle; returns how many spawned.
    int simulate(double dt);
    // renderParticles: advances the particle clock to now, simulates, uploads and draws.
    void render(const ProgramHandle& program, const glm::mat4& viewProjection, double now);

    std::vector<Particle> particles = std::vector<Particle>(kPoolSize);
    std::vector<glm::vec4> positions = std::vector<glm::vec4>(kPoolSize);  // what the draw streams
    int lastUsedParticle = 0;
    double lastParticleTime = 0.0;
    glm::vec3 emitterPosition{0.0f};
    glm::vec3 emitterDirection{0.0f};
    RandomSource random = nextRandom;
    GLuint particleVao = 0;
    GLuint particleVbo = 0;
};
