// The frame benchmark's command line: what to run (frames, size, time step) and where to write
// the figures and the last frame. Pure logic; no GL.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

struct BenchOptions {
    int frames = 300;         // frames of the timed run, warm-up included
    int warmup = 10;          // first frames left out of every figure (shader compiles, first uploads)
    int drawFrames = 30;      // frames of the per-draw run that times each screen-space draw
    int width = 1280, height = 720;
    double fixedDt = 0.0;     // seconds per frame for the frame clock; 0 follows the wall clock
    std::string pngPath;      // the last frame, as a PNG; empty writes none
    std::string jsonPath;     // the figures, as JSON; empty writes none
    bool headless = false;    // an EGL context and an offscreen output instead of a window
    int gpu = 0;              // the EGL device of a headless run
};

// "1280x720" into width and height, both 1 .. 16384; false for anything else.
inline bool parseSize(const std::string& text, int& width, int& height)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos || cross == 0 || cross + 1 == text.size())
        return false;
    const auto whole = [](const std::string& digits, int& value) {
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 5)
            return false;
        value = std::atoi(digits.c_str());
        return value >= 1 && value <= 16384;
    };
    int w = 0, h = 0;
    if (!whole(text.substr(0, cross), w) || !whole(text.substr(cross + 1), h))
        return false;
    width = w;
    height = h;
    return true;
}

// Parses the arguments after the program name. On a bad argument returns false with a one-line
// message in error (no line end) and leaves options partly filled.
inline bool parseBenchOptions(const std::vector<std::string>& args, BenchOptions& options, std::string& error)
{
    const auto count = [&](const std::string& name, const std::string& text, int minimum, int& value) {
        char* end = nullptr;
        const long parsed = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || parsed < minimum || parsed > 1000000) {
            error = name + " wants a whole number from " + std::to_string(minimum) + ", not \"" + text + "\"";
            return false;
        }
        value = int(parsed);
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--headless") {
            options.headless = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "unknown argument or missing value: " + name;
            return false;
        }
        const std::string& value = args[++i];
        if (name == "--frames") {
            if (!count(name, value, 1, options.frames))
                return false;
        } else if (name == "--warmup") {
            if (!count(name, value, 0, options.warmup))
                return false;
        } else if (name == "--draw-frames") {
            if (!count(name, value, 0, options.drawFrames))
                return false;
        } else if (name == "--size") {
            if (!parseSize(value, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, e.g. 1280x720, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--fixed-dt") {
            char* end = nullptr;
            const double dt = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(dt > 0.0 && dt <= 1.0)) {
                error = "--fixed-dt wants seconds per frame in (0, 1], not \"" + value + "\"";
                return false;
            }
            options.fixedDt = dt;
        } else if (name == "--gpu") {
            if (!count(name, value, 0, options.gpu))
                return false;
        } else if (name == "--png") {
            options.pngPath = value;
        } else if (name == "--json") {
            options.jsonPath = value;
        } else {
            error = "unknown argument: " + name;
            return false;
        }
    }
    if (options.warmup >= options.frames) {
        error = "--warmup (" + std::to_string(options.warmup) + ") leaves no frame of the " +
                std::to_string(options.frames) + " to measure";
        return false;
    }
    return true;
}
