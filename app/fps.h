// Frame-rate display: counts frames over a measuring window of about `interval` seconds and
// publishes the rate in the window title (or on standard output for the title "NONE").
// The clock and the title sink are fields so tests can drive them.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

// A double the way a default std::ostringstream writes it: "59.9401", "60".
std::string formatRate(double rate);

struct FpsCounter {
    std::function<double()> clock;                        // seconds
    std::function<void(const std::string&)> setTitle;     // the window title sink
    std::ostream* out = nullptr;                          // where "NONE" prints; std::cout if null

    std::string suffix;  // follows the rate in the title (the inspection view's name)

    bool started = false;
    bool published = false;  // a rate has been written
    double windowStart = 0.0;
    int frames = 0;  // frames started in the current measuring window
    double rate = 0.0;

    // Interval clamped to [0.1, 10] seconds. Returns the last published rate (0 until the first).
    double showFps(double interval, std::string title);
    // Writes the title again at once, with the last published rate and the current suffix.
    void republish(const std::string& title);
};
