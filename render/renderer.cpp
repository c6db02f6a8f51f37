// Renderer start-up and teardown: every shader program in its fixed order (the compile lines on
// the console follow it), the lens images, the frame resources and the occlusion kernel; the
// targets again when the window size changes, each time only at a size the driver can back, and
// back at the last size that worked when the targets made at a new one fail. Leaves depth
// testing on and the clear colour (0, 0, 0, 0) for every later pass.
#include "render/renderer.h"

#include "resources/resource_manager.h"

#include <map>
#include <string>
#include <utility>

namespace {

// The one program cache of the process. Never destroyed: its cache keeps every reloadable
// program alive until the process ends, whoever else lets go of them.
ResourceManager& programCache()
{
    static ResourceManager* const cache = new ResourceManager;
    return *cache;
}

std::shared_ptr<ShaderProgram> reloadable(const char* vertexPath, const char* fragmentPath)
{
    const std::map<int32_t, std::string> stages = {{Vertex, vertexPath}, {Fragment, fragmentPath}};
    std::shared_ptr<ShaderProgram> program = programCache().getShaderProgram(stages);
    program->rebuild();
    return program;
}

constexpr const char* kQuadVertex = "shaders/quadShader.vert";

}  // namespace

void Renderer::createShaderPrograms()
{
    lighting.program = reloadable("shaders/blinnPhong.vert", "shaders/blinnPhong.frag");
    ssao.program = reloadable(kQuadVertex, "shaders/ssao.frag");
    composite.program = reloadable(kQuadVertex, "shaders/quadShader.frag");
    lensFlare.program = reloadable(kQuadVertex, "shaders/lensflare.frag");
    normalDepth.program = reloadable("shaders/normalDepthPass.vert", "shaders/normalDepthPass.frag");

    loadShaders(lighting.reportProgram, "shaders/blinnPhong.vert", "shaders/blinnPhong.frag");
    loadShaders(ssao.reportProgram, kQuadVertex, "shaders/ssao.frag");
    loadShaders(normalDepth.reportProgram, "shaders/normalDepthPass.vert", "shaders/normalDepthPass.frag");
    loadShaders(composite.reportProgram, kQuadVertex, "shaders/quadShader.frag");
    loadShaders(unlit.program, "shaders/blinnPhong.vert", "shaders/passThrough.frag");
    loadShaders(resources.passThroughProgram, kQuadVertex, "shaders/passThrough.frag");
    loadShaders(resources.blurProgram, kQuadVertex, "shaders/blurFragmentShader.frag");
    loadShaders(resources.downsampleProgram, kQuadVertex, "shaders/downsample.frag");
    loadShaders(lensFlare.reportProgram, kQuadVertex, "shaders/lensflare.frag");
    loadShaders(depthOfField.gaussXProgram, "shaders/gauss25TapX.vert", "shaders/gauss25TapX.frag");
    loadShaders(depthOfField.gaussYProgram, "shaders/gauss25TapY.vert", "shaders/gauss25TapY.frag");
    loadShaders(particles.reportProgram, "shaders/particle.vert", "shaders/particle.frag");

    particles.program = reloadable("shaders/particle.vert", "shaders/particle.frag");
}

std::string Renderer::createRenderTargets(int width, int height, ImageDecode lensStar, ImageDecode lensDirt,
                                          ImageDecode lensColour)
{
    lensFlare.loadLensImages(std::move(lensStar), std::move(lensDirt), std::move(lensColour));
    std::string problem = sizeProblem(width, height, RenderTargets::formats(width, height));
    if (problem.empty())
        problem = resources.create(width, height);
    if (!problem.empty())
        return problem;
    ssao.kernel.create(width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    return {};
}

std::string Renderer::resize(int width, int height)
{
    RenderTargets& targets = resources.targets;
    if (width <= 0 || height <= 0 || (width == targets.width && height == targets.height))
        return {};
    std::string problem = sizeProblem(width, height, RenderTargets::formats(width, height));
    if (!problem.empty())
        return problem;
    const int lastWidth = targets.width, lastHeight = targets.height;
    problem = targets.create(width, height);
    if (!problem.empty()) {
        targets.create(lastWidth, lastHeight);
        return problem;
    }
    ssao.kernel.setNoiseScale(width, height);
    return {};
}

void Renderer::release()
{
    resources.release();
    normalDepth.release();
    ssao.release();
    lighting.release();
    skyBox.release();
    particles.release();
    unlit.release();
    lensFlare.release();
    depthOfField.release();
    composite.release();
    debugView.release();
}

View Renderer::prepareView(View view)
{
    if (view == View::Final)
        return View::Final;
    if (!debugView.program)
        debugView.program = reloadable(kQuadVertex, "shaders/debugView.frag");
    else
        rebuildIfChanged(*debugView.program);
    return debugView.shown(view);
}

void Renderer::drawView(View view, const FrameScene& scene)
{
    debugView.render(view, scene, resources);
}

std::array<const ShaderProgram*, Renderer::kReloadableCount> Renderer::reloadablePrograms() const
{
    return {lighting.program.get(), ssao.program.get(), composite.program.get(), lensFlare.program.get(),
            normalDepth.program.get(), particles.program.get(), debugView.program.get()};
}
