// Particles: the rocket's exhaust. A CPU-simulated pool of 10 000 points that spawn at the
// emitter, fly straight with a randomised velocity and die after one to two seconds. Every
// frame streams all positions to particleVbo (orphaned) and draws them as blended points into
// the bound scene target.
#pragma once

#include "render/frame_resources.h"
#include "render/random.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <memory>
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

    // Emitter to the origin, every particle free, GL objects made (the programs
    // are made before, with the others).
    void init();
    // Deletes the GL objects and the programs.
    void release();
    // Index of a free particle (life <= 0), searching from lastUsedParticle and wrapping; 0 when
    // none is free, which takes particle 0 over again.
    int findUnusedParticle();
    // Spawns for a time step of dt seconds and moves every particle; returns how many spawned.
    int simulate(double dt);
    // Advances the particle clock to sceneSeconds (the scene clock's time, which a held scene
    // leaves exactly where it was), simulates, uploads, rebuilds program if its files changed
    // and draws with it into the bound framebuffer (sceneFbo, after the sky box).
    void render(const FrameScene& scene, const FrameResources& resources, double sceneSeconds);

    std::vector<Particle> particles = std::vector<Particle>(kPoolSize);
    std::vector<glm::vec4> positions = std::vector<glm::vec4>(kPoolSize);  // what the draw streams
    int lastUsedParticle = 0;
    double lastParticleTime = 0.0;  // scene seconds of the last render
    glm::vec3 emitterPosition{0.0f};
    glm::vec3 emitterDirection{0.0f};
    RandomSource random = nextRandom;
    GLuint particleVao = 0;
    GLuint particleVbo = 0;
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report
};
