// The inspection views: one render target as it stands at the end of the frame, drawn over the
// whole window in place of the composite (F2 to F8; F1 is the final image). HDR targets go
// through a fixed simple tone curve, normals are mapped to 0..1, depth is linearised. Reads the
// targets; binds the output framebuffer, draws over it without the depth test and leaves it
// bound (renderIn draws into whatever is bound, for the overlay's thumbnails).
#pragma once

#include "render/frame_resources.h"
#include "resources/shader_program.h"

#include <memory>

enum class View {
    Final,         // the composite, as without any view
    Scene,         // sceneColorTex: the lit scene with sky box, particles, unlit meshes and bloom
    Normals,       // normalTex.rgb: the pre-pass's world normals
    Focus,         // normalTex.a: the focus factor, 0 sharp, 1 fully blurred
    Depth,         // depthTex: the pre-pass depth as distance from the eye
    Occlusion,     // ssaoTex: ambient visibility
    LensFlare,     // flareTex: the ghosts and halo
    DepthOfField,  // halfTex: the blurred half-size copy
};
constexpr int kViewCount = int(View::DepthOfField) + 1;

// The name the window title shows after " | view: ".
const char* viewName(View view);

struct DebugViewPass {
    // Reloadable like the main passes' programs; made by the Renderer the first time a view other
    // than Final is asked for, so start-up builds and prints exactly what it does without views.
    std::shared_ptr<ShaderProgram> program;

    // The view that asking for view shows: view itself, or Final while the program is not made
    // yet or has never built.
    View shown(View view) const;
    // Rebuilds the program when its files changed, then draws view (not Final) into the output
    // over the camera's viewport.
    void render(View view, const FrameScene& scene, const FrameResources& resources) const;
    // Draws view (not Final) into the bound framebuffer's rectangle x, y, w, h (the viewport it
    // leaves set), as render() draws it over the output: the overlay's thumbnails.
    void renderIn(View view, const FrameResources& resources, int x, int y, int w, int h) const;
    void release();
};
