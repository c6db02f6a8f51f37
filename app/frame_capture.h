// Saves the frame's picture as it stands in the output after the composite: read straight from
// the offscreen output, or from the window's back buffer resolved from its samples by a blit
// into a single-sampled target (some drivers refuse to read a multisampled window directly).
#pragma once

#include "render/frame_resources.h"

#include <string>

// Writes the output (targets.width x targets.height) as an 8-bit RGB PNG, top row first. False,
// with a line on stderr that starts with program, when it cannot. Leaves the output bound.
bool writeOutputPng(const std::string& path, const RenderTargets& targets, const char* program);
