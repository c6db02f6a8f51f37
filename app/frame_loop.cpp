// The frame loop: clock, bounds, hidden waits and the hooks around frame and present.
#include "app/frame_loop.h"

#include "app/application.h"

namespace {
// While hidden the loop sleeps until an event comes or this many seconds pass.
constexpr double kHiddenWait = 0.1;
}  // namespace

void FrameLoop::start(Application& app)
{
    framesRun = 0;
    app.restartFrameClock(fixedDt > 0.0 ? 0.0 : app.surface->clockNow());
}

long FrameLoop::run(Application& app)
{
    Surface& surface = *app.surface;
    long drawn = 0;
    while (surface.keepRunning()) {
        if (frames > 0 && drawn >= frames)
            break;
        if (sceneSeconds > 0.0 && app.workbench.sceneClock.sceneTime() >= sceneSeconds - kSceneTimeSlack)
            break;
        if (surface.hidden()) {
            surface.waitForEvents(kHiddenWait);
            continue;
        }
        const long frame = framesRun;
        if (beforeFrame)
            beforeFrame(frame);
        app.frame(fixedDt > 0.0 ? double(frame + 1) * fixedDt : surface.clockNow(), probe);
        if (beforePresent)
            beforePresent(frame);
        surface.present();
        if (afterPresent)
            afterPresent(frame);
        ++framesRun;
        ++drawn;
    }
    return drawn;
}
