// The lighting pass: clears sceneFbo and draws the lit meshes into it with Blinn-Phong, the
// light array and each mesh's material (diffuse texture or colour, optional normal map). Leaves
// sceneFbo bound, with the viewport as it found it, for the sky box, the particles and the
// unlit meshes.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <memory>

struct LightingPass {
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report

    // Call after the occlusion pass: its blur leaves the full-size viewport this pass draws in.
    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();
};
