// Frustum planes from the rows of the clip matrix (Gribb and Hartmann).
#include "scene/frustum.h"

FrustumPlanes computeFrustumPlanes(const glm::mat4& projection, const glm::mat4& view)
{
    const glm::mat4 m = projection * view;
    auto row = [&m](int i) { return glm::vec4(m[0][i], m[1][i], m[2][i], m[3][i]); };
    FrustumPlanes planes = {row(3) - row(0), row(3) + row(0), row(3) + row(1),
                            row(3) - row(2), row(3) - row(1), row(3) + row(2)};
    for (glm::vec4& plane : planes)
        plane /= glm::length(glm::vec3(plane));
    return planes;
}
