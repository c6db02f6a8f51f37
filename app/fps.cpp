// Frame-rate measurement and the title it writes.
#include "app/fps.h"

#include <iostream>
#include <sstream>

std::string formatRate(double rate)
{
    std::ostringstream text;
    text << rate;
    return text.str();
}

double FpsCounter::showFps(double interval, std::string title)
{
    if (!started) {
        windowStart = clock();
        started = true;
    }
    const double now = clock();
    if (interval < 0.1)
        interval = 0.1;
    else if (interval > 10.0)
        interval = 10.0;

    const double elapsed = now - windowStart;
    if (elapsed > interval) {
        rate = double(frames) / elapsed;
        published = true;
        if (title != "NONE") {
            title += " | FPS: " + formatRate(rate) + suffix;
            setTitle(title);
        } else {
            std::ostream& stream = out ? *out : std::cout;
            stream << "FPS: " << formatRate(rate) << std::endl;
        }
        // This frame opens the next measuring window, so it counts in that one (as the first
        // frame counts in the first): a window holds every frame that started in it, and frames
        // slower than the interval read as their own rate rather than 0.
        frames = 1;
        // Read again rather than reusing now: the measuring window starts after the title update.
        windowStart = clock();
    } else {
        ++frames;
    }
    return rate;
}

void FpsCounter::republish(const std::string& title)
{
    if (title == "NONE")
        return;
    setTitle(published ? title + " | FPS: " + formatRate(rate) + suffix : title + suffix);
}
