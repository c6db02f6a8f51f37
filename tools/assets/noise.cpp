// Seeded generator and lattice noise of the asset tool (see noise.h).
#include "tools/assets/noise.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

Rng::Rng(uint64_t seed)
{
    next();
    state += seed;
    next();
}

uint32_t Rng::next()
{
    const uint64_t old = state;
    state = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const uint32_t xorShifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const uint32_t rotation = static_cast<uint32_t>(old >> 59u);
    return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
}

float Rng::uniform()
{
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

float Rng::range(float low, float high)
{
    return low + (high - low) * uniform();
}

glm::vec3 Rng::unitVector()
{
    const float z = range(-1.0f, 1.0f);
    const float angle = range(0.0f, 6.28318530718f);
    const float r = std::sqrt(std::max(0.0f, 1.0f - z * z));
    return {r * std::cos(angle), r * std::sin(angle), z};
}

namespace {

uint32_t hashLattice(int x, int y, int z, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 13)) * 0xC2B2AE35u;
    h ^= static_cast<uint32_t>(y) * 0x27D4EB2Fu;
    h = (h ^ (h >> 15)) * 0x165667B1u;
    h ^= static_cast<uint32_t>(z) * 0x9E3779B1u;
    h = (h ^ (h >> 16)) * 0x85EBCA6Bu;
    return h ^ (h >> 13);
}

float latticeValue(int x, int y, int z, uint32_t seed)
{
    return static_cast<float>(hashLattice(x, y, z, seed) >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

float smootherStep(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float mix(float a, float b, float t)
{
    return a + (b - a) * t;
}

} // namespace

float valueNoise(const glm::vec3& p, uint32_t seed)
{
    const glm::vec3 cell = glm::floor(p);
    const int x = static_cast<int>(cell.x), y = static_cast<int>(cell.y), z = static_cast<int>(cell.z);
    const glm::vec3 f = p - cell;
    const float u = smootherStep(f.x), v = smootherStep(f.y), w = smootherStep(f.z);
    const float x00 = mix(latticeValue(x, y, z, seed), latticeValue(x + 1, y, z, seed), u);
    const float x10 = mix(latticeValue(x, y + 1, z, seed), latticeValue(x + 1, y + 1, z, seed), u);
    const float x01 = mix(latticeValue(x, y, z + 1, seed), latticeValue(x + 1, y, z + 1, seed), u);
    const float x11 = mix(latticeValue(x, y + 1, z + 1, seed), latticeValue(x + 1, y + 1, z + 1, seed), u);
    return mix(mix(x00, x10, v), mix(x01, x11, v), w);
}

float fractalNoise(const glm::vec3& p, int octaves, uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    glm::vec3 q = p;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(q, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= 0.5f;
        q = q * 2.0f + glm::vec3(17.3f, -4.1f, 9.7f);
    }
    return total > 0.0f ? sum / total : 0.0f;
}
