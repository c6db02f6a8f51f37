// Deterministic randomness for the asset tool: a small seeded generator and smooth lattice noise
// in 3D with fractal sums. Everything is a pure function of its seed and arguments, so every run of
// the tool writes byte-identical files on every machine.
#pragma once

#include <cstdint>
#include <glm/vec3.hpp>

// PCG32 (O'Neill); own implementation because the standard distributions differ between libraries.
class Rng {
public:
    explicit Rng(uint64_t seed);
    uint32_t next();
    float uniform();                   // [0, 1)
    float range(float low, float high); // [low, high)
    glm::vec3 unitVector();            // uniform on the unit sphere

private:
    uint64_t state = 0;
};

// Smoothly interpolated value noise on the integer lattice, in [-1, 1].
float valueNoise(const glm::vec3& p, uint32_t seed);

// Sum of `octaves` noise layers, each at twice the frequency and half the amplitude of the last,
// normalised back to about [-1, 1].
float fractalNoise(const glm::vec3& p, int octaves, uint32_t seed);
