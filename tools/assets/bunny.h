// The bunny for the scene: the Stanford bunny read from the npm package "bunny" (its index.js holds
// `positions` and `cells` arrays), or a procedural stand-in when the package is not there. Either
// comes out with smooth normals, outward winding, centred, a few units tall and without texture.
#pragma once

#include "tools/assets/mesh.h"

#include <string>

// Parses the two arrays of the package's index.js text. False, with `error` set, when either is
// missing, a face refers to a vertex that does not exist, or nothing is left.
bool parseBunnyScript(const std::string& text, MeshData& mesh, std::string& error);

// Body, head, ears and tail from overlapping ellipsoids.
MeshData bunnyStandIn();

// Smooth normals, outward winding, centred, largest extent `size`; texture coordinates dropped.
void prepareBunny(MeshData& mesh, float size);
