// The GL test fixture: one hidden GLFW window with the program's own context hints (4 samples,
// 3.2 core, no forward-compatibility hint), current for every test of the gl_tests binary.
#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>

// The hidden window of the test run (created once, before the first test).
GLFWwindow* testWindow();

// Drains every queued GL error; returns how many there were.
int drainGlErrors();

// How many of the first 16 texture units have a sampler object bound; the passes bind theirs
// only while they draw.
int boundSamplers();
