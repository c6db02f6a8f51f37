// View-frustum planes: computed once per frame from projection x view, read by the mesh
// passes to skip meshes whose bounding sphere lies wholly outside one plane.
#pragma once

#include <array>
#include <glm/glm.hpp>

// Each plane is (a, b, c, d) with (a, b, c) of unit length; a point p is inside when a.p + d >= 0.
using FrustumPlanes = std::array<glm::vec4, 6>;

// Planes in the order r3-r0, r3+r0, r3+r1, r3-r2, r3-r1, r3+r2 (ri = row i of projection x view).
FrustumPlanes computeFrustumPlanes(const glm::mat4& projection, const glm::mat4& view);
