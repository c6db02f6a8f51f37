// The program's one pseudo-random generator: values 0 ... 32767, never seeded, so the
// occlusion kernel is the same on every run. The kernel and the particle spawner draw from it.
#pragma once

#include <cstdlib>

using RandomSource = int (*)();
inline int nextRandom() { return std::rand() % 32768; }
constexpr float kRandomMax = 32767.0f;
