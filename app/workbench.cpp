// The workbench's keys and the view choice.
#include "app/workbench.h"

#include "app/window.h"

void Workbench::keyPressed(int key)
{
    keyTaps.press(key);
    if (key == GLFW_KEY_P)
        sceneClock.togglePause();
    else if (key == GLFW_KEY_PERIOD)
        sceneClock.requestStep();
    else if (key >= GLFW_KEY_F1 && key < GLFW_KEY_F1 + kViewCount)
        setView(View(key - GLFW_KEY_F1));
    else if (key == GLFW_KEY_T)
        passTimer.start(GLEW_VERSION_3_3 || GLEW_ARB_timer_query);
}

void Workbench::setView(View wanted)
{
    view = renderer.prepareView(wanted);
    fps.suffix = view == View::Final ? std::string() : std::string(" | view: ") + viewName(view);
    fps.republish(kWindowTitle);
}
