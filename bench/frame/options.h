// The frame benchmark's command line: what to run (frames, size, time step) and where to write
// the figures and the last frame; the values it shares with orbitview --headless are parsed by
// app/command_line.h. Pure logic; no GL.
#pragma once

#include "app/command_line.h"

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
    bool listGpus = false;    // --gpu list: print the devices, run nothing
    bool overlay = false;     // --overlay: the workbench's panels shown in every frame, with their own step
};

// Parses the arguments after the program name. On a bad argument returns false with a one-line
// message in error (no line end) and leaves options partly filled.
inline bool parseBenchOptions(const std::vector<std::string>& args, BenchOptions& options, std::string& error)
{
    const auto count = [&](const std::string& name, const std::string& text, long minimum, int& value) {
        long parsed = 0;
        if (!parseCount(name, text, minimum, parsed, error))
            return false;
        value = int(parsed);
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--headless" || name == "--overlay") {
            (name == "--headless" ? options.headless : options.overlay) = true;
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
            if (!parseSizeWxH(value, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, e.g. 1280x720, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--fixed-dt") {
            if (!parseFixedDt(value, options.fixedDt, error))
                return false;
        } else if (name == "--gpu") {
            if (!parseGpu(value, options.gpu, options.listGpus, error))
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
