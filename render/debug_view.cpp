// The inspection views: the chosen target -> the output, through shaders/debugView.frag.
#include "render/debug_view.h"

#include "resources/gl_error.h"

namespace {

// What shaders/debugView.frag does with its one fetch ("mode").
enum ViewMode { kToneMapped = 0, kNormals = 1, kAlpha = 2, kDepth = 3, kRed = 4 };

struct ViewSource {
    const char* name;
    GLuint RenderTargets::*texture;
    ViewMode mode;
};

// Indexed by View; Final has no source.
const ViewSource kViews[kViewCount] = {
    {"final", nullptr, kToneMapped},
    {"scene", &RenderTargets::sceneColorTex, kToneMapped},
    {"normals", &RenderTargets::normalTex, kNormals},
    {"focus", &RenderTargets::normalTex, kAlpha},
    {"depth", &RenderTargets::depthTex, kDepth},
    {"occlusion", &RenderTargets::ssaoTex, kRed},
    {"lens flare", &RenderTargets::flareTex, kToneMapped},
    {"depth of field", &RenderTargets::halfTex, kToneMapped},
};

// The camera's clip planes, for linearising depth (Application's projection).
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;

}  // namespace

const char* viewName(View view)
{
    return kViews[int(view)].name;
}

View DebugViewPass::shown(View view) const
{
    return view != View::Final && program && program->usable() ? view : View::Final;
}

void DebugViewPass::render(View view, const FrameScene& scene, const FrameResources& resources) const
{
    if (!kViews[int(view)].texture || !program)
        return;
    rebuildIfChanged(*program);
    resources.bindOutput();
    renderIn(view, resources, 0, 0, scene.camera.viewportWidth, scene.camera.viewportHeight);
}

void DebugViewPass::renderIn(View view, const FrameResources& resources, int x, int y, int w, int h) const
{
    const ViewSource& source = kViews[int(view)];
    if (!source.texture || !program || !program->usable())
        return;
    glViewport(x, y, w, h);
    glUseProgram(program->id());
    program->setTexture2D(resources.targets.*source.texture, "source", 0);
    program->setInt(source.mode, "mode");
    program->setFloat(kNearPlane, "nearPlane");
    program->setFloat(kFarPlane, "farPlane");
    checkGlError();
    // The quad covers the picture beneath whatever the framebuffer's depth holds.
    glDisable(GL_DEPTH_TEST);
    resources.drawQuad();
    glEnable(GL_DEPTH_TEST);
    checkGlError();
}

void DebugViewPass::release()
{
    // The program cache still holds the reloadable program; it goes with the process.
    program.reset();
}
