// checkGlError: the one OpenGL error check. Reads one error per call (further queued errors
// are left for later calls) and writes its "GL: " line to standard error.
#pragma once

#include <GL/glew.h>

// The line checkGlError writes for an error code, or nullptr for GL_NO_ERROR.
const char* errorTextOf(GLenum error);
void checkGlError();
