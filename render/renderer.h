// Renderer: the passes of every frame and the frame resources they share. Builds every shader
// program in its fixed order and hands each to the pass that uses it; creates and re-creates the
// size-dependent targets; releases everything. The Application calls the passes in frame order
// (app/application.cpp, Application::frame).
#pragma once

#include "render/composite.h"
#include "render/debug_view.h"
#include "render/depth_of_field.h"
#include "render/frame_resources.h"
#include "render/lens_flare.h"
#include "render/lighting.h"
#include "render/normal_depth.h"
#include "render/particles.h"
#include "render/sky_box.h"
#include "render/ssao.h"
#include "render/unlit.h"
#include "scene/image_decode.h"

#include <array>
#include <string>

struct Renderer {
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Creates every program in its fixed order; call with a current context.
    void createShaderPrograms();
    // Lens images (from the three decodes), targets, quad, sampler and occlusion kernel; then
    // clear colour and depth test. Call after createShaderPrograms. Returns what keeps the frame
    // from width x height (render/target_size.h), asked before the targets are made and checked
    // after; empty when nothing does.
    std::string createRenderTargets(int width, int height, ImageDecode lensStar, ImageDecode lensDirt,
                                    ImageDecode lensColour);
    // Re-creates the size-dependent targets and the noise scale; 0 x 0 is ignored. A size the
    // driver cannot render at leaves every target at the last size that worked and returns what
    // failed; empty when the targets are at the new size.
    std::string resize(int width, int height);
    // Deletes every GL object the renderer made; call while the context is current.
    void release();
    // Readies the views' program for view: makes and builds it the first time a view other than
    // Final is asked for, rebuilds it when its files changed. Returns the view that will be shown
    // (DebugViewPass::shown).
    View prepareView(View view);
    // Draws an inspection view over the composite; nothing for View::Final or before prepareView
    // made the views' program.
    void drawView(View view, const FrameScene& scene);
    // The hot-reloaded programs in build order, the views' last (null until a view is asked for).
    static constexpr int kReloadableCount = 7;
    std::array<const ShaderProgram*, kReloadableCount> reloadablePrograms() const;

    FrameResources resources;
    NormalDepthPass normalDepth;
    SsaoPass ssao;
    LightingPass lighting;
    SkyBox skyBox;
    ParticleSystem particles;
    UnlitPass unlit;
    LensFlarePass lensFlare;
    DepthOfFieldPass depthOfField;
    CompositePass composite;
    DebugViewPass debugView;
};
