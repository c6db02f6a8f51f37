// The unlit-mesh pass: draws the unlit meshes (the light-source sphere) with their diffuse
// texture as emitted light into the bound scene target (sceneFbo), and leaves it bound.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"

struct UnlitPass {
    ProgramHandle program;

    // Call with sceneFbo bound, after the particles.
    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();
};
