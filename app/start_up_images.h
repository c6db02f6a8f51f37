// The image files start-up loads, each decode started at once: the constructor makes this value
// before the window opens (while the process has one thread, so the decodes run in child
// processes beside the rest of start-up) and hands each field to the step that uploads it.
#pragma once

#include "scene/image_decode.h"

struct StartUpImages {
    ImageDecode lensStar, lensDirt, lensColour, starField, rocket, probe, probeNormalMap, phobos, earth,
        earthNormalMap, sun;
};

StartUpImages decodeStartUpImages();
