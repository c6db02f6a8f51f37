// The image files start-up loads, each decode started at once: the constructor makes this value
// before the window opens (while the process has one thread, so the decodes run in child
// processes beside the rest of start-up) and hands each field to the step that uploads it.
#pragma once

#include "scene/image_decode.h"

#include <functional>

struct StartUpImages {
    ImageDecode lensStar, lensDirt, lensColour, starField, rocket, probe, probeNormalMap, phobos, earth,
        earthNormalMap, sun;

    // Every decode's take calls keepWaiting while it waits (ImageDecode::waitWith).
    void waitWith(const std::function<bool()>& keepWaiting);
};

// Starts the decodes. They are the first descriptors the program opens, so any standard
// descriptor it was started without is opened on /dev/null first: otherwise a pipe, a file or the
// display connection would take its number and receive the console's output.
StartUpImages decodeStartUpImages();
