// Saves what the window shows after the composite: the back buffer, resolved from its samples
// by a blit into a single-sampled target and read from there (some drivers refuse to read a
// multisampled window directly).
#pragma once

#include <string>

// Writes the window's width x height back buffer as an 8-bit RGB PNG, top row first. False,
// with a line on stderr, when it cannot. Leaves framebuffer 0 bound.
bool writeWindowPng(const std::string& path, int width, int height);
