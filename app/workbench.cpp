// The workbench's keys, the view choice and the overlay's frame.
#include "app/workbench.h"

#include "app/window.h"

namespace {
bool hasTimerQueries()
{
    return GLEW_VERSION_3_3 || GLEW_ARB_timer_query;
}
}  // namespace

void Workbench::keyPressed(int key)
{
    if (key == GLFW_KEY_TAB) {
        toggleOverlay();
        return;
    }
    if (overlay.wantsKeyboard())
        return;
    keyTaps.press(key);
    if (key == GLFW_KEY_P)
        sceneClock.togglePause();
    else if (key == GLFW_KEY_PERIOD)
        sceneClock.requestStep();
    else if (key >= GLFW_KEY_F1 && key < GLFW_KEY_F1 + kViewCount)
        setView(View(key - GLFW_KEY_F1));
    else if (key == GLFW_KEY_T)
        passTimer.start(hasTimerQueries());
}

void Workbench::setView(View wanted)
{
    view = renderer.prepareView(wanted);
    fps.suffix = view == View::Final ? std::string() : std::string(" | view: ") + viewName(view);
    fps.republish(kWindowTitle);
}

void Workbench::toggleOverlay()
{
    if (!surface)
        return;
    overlay.toggle(*surface);
    passTimer.setLive(overlay.shown() && hasTimerQueries());
}

void Workbench::drawOverlay(OverlayInputs inputs, double dt)
{
    if (!overlay.shown())
        return;
    const GlStateSnapshot saved = GlStateSnapshot::take();
    const bool thumbnailsDrawn = renderer.prepareView(View::Scene) == View::Scene;
    // Drawn again every kThumbnailFrames overlay frames (and whenever the output's aspect
    // changed): a target of their own costs the overlay more than its panels do.
    if (thumbnailsDrawn && (overlayFrames % kThumbnailFrames == 0 || !thumbnails.fits(renderer.resources)))
        thumbnails.render(renderer.debugView, renderer.resources);
    ++overlayFrames;
    renderer.resources.bindOutput();
    const std::array<const ShaderProgram*, Renderer::kReloadableCount> programs = renderer.reloadablePrograms();
    inputs.sceneTime = sceneClock.sceneTime();
    inputs.held = sceneClock.paused;
    inputs.timing = passTimer.measuring();
    inputs.view = view;
    inputs.frames = &frames;
    inputs.passes = hasTimerQueries() ? &passTimer.live : nullptr;
    inputs.thumbnails = thumbnailsDrawn ? &thumbnails : nullptr;
    inputs.programs = programs.data();
    inputs.programCount = int(programs.size());
    const OverlayRequest request = overlay.draw(inputs, dt);
    saved.restore();
    if (request.togglePause)
        sceneClock.togglePause();
    if (request.step)
        sceneClock.requestStep();
    if (request.view >= 0)
        setView(View(request.view));
}

void Workbench::release()
{
    overlay.release();
    thumbnails.release();
    passTimer.release();
}
