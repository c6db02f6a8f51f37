// Saves the frame's picture as it stands in the surface's output after the composite (or a view),
// as a PNG.
#pragma once

#include "app/surface.h"

#include <string>

// Writes the width x height output as an 8-bit RGB PNG, top row first, whole or not at all
// (resources/safe_write.h). False, with one line on stderr that starts with program ("...: cannot
// write PATH: No space left on device"), when it cannot; a file that was at path stays as it was.
// Leaves the output bound.
bool writeOutputPng(const std::string& path, const Surface& surface, int width, int height, const char* program);
