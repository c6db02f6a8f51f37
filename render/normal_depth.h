// The normal/depth pre-pass: draws the lit meshes into normalDepthFbo, writing each pixel's
// world normal and focus factor (normalTex) and its depth (depthTex), which the occlusion, depth
// of field and composite passes read. Binds normalDepthFbo and leaves it bound.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <memory>

struct NormalDepthPass {
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report

    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();
};
