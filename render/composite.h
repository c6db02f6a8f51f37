// The final composite: binds the output framebuffer and draws one full-screen quad into it,
// combining the lit scene, occlusion, lens flare, the depth-of-field copy and the lens images,
// with the star-burst turned as the camera turns; tone mapping and gamma happen here. The quad
// covers every pixel, so it draws without the depth test and leaves the output's depth alone.
// Leaves the output bound.
#pragma once

#include "render/frame_resources.h"
#include "render/lens_flare.h"
#include "resources/shader.h"
#include "resources/shader_program.h"

#include <glm/glm.hpp>
#include <memory>

// The star-burst's texture-coordinate rotation about (0.5, 0.5), by 4 (V[0][2] + V[2][1]) degrees.
glm::mat4 lensStarMatrix(const glm::mat4& view);

struct CompositePass {
    std::shared_ptr<ShaderProgram> program;  // reloadable, shared with the program cache
    ProgramHandle reportProgram;             // the same files built once, for the console report

    // Reads every target the frame wrote and the lens flare's star-burst and dirt images.
    void render(const FrameScene& scene, const FrameResources& resources, const LensFlarePass& lensFlare) const;
    void release();
};
