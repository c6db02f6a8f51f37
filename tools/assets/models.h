// The scene's own models and their textures: the Earth's maps, the rocket, the asteroid, the
// Deep Space 1 probe and Phobos. Mesh units are chosen for the scales the scene gives them
// (rocket 2, asteroid 0.25, probe 0.3, Phobos 0.15, Earth 5).
#pragma once

#include "tools/assets/image.h"
#include "tools/assets/mesh.h"

// Earth: the colour map reduced to a tangent-space normal map from a height proxy (land above sea,
// relief from the local contrast of the colours), at `width` x `height`.
Image earthNormalMap(const Image& colour, int width, int height);
// Stand-in colour map of oceans and noise continents, for when the photograph cannot be read.
Image earthStandIn(int width, int height);

// Rocket flown along mesh +Y: nozzle exit at y = 0.25, body radius 0.15, nose tip at y = 1.6,
// four swept fins. Texture coordinates run around (u) and up the profile (v).
MeshData rocketMesh();
// Banded gas-giant pattern; bands change along v, so they ring the rocket.
Image rocketTexture(int width, int height);

// Irregular rock about 6 units across.
MeshData asteroidMesh();

// Probe about 7 units across: foil-covered bus, two solar wings along X, dish antenna on +Y, ion
// engine on -Y. Its textures share one atlas: solar cells in the upper half, foil, white paint and
// dark metal below.
MeshData probeMesh();
Image probeDiffuse(int size);
Image probeNormalMap(int size);

// Lumpy cratered moon about 8 units across, with a texture whose craters match the mesh's.
MeshData phobosMesh();
Image phobosTexture(int width, int height);
