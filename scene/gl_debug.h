// Names for graphics debuggers (apitrace, RenderDoc) through KHR_debug: a debug group around
// each pass of the frame, and a label on each render target, framebuffer, program, mesh buffer
// and texture. Where the context lacks KHR_debug none of these makes a GL call.
#pragma once

#include <GL/glew.h>
#include <string>

// True where the context offers KHR_debug (GL 4.3 has it in core).
bool debugNamesAvailable();
// A group of the calls that follow, until popDebugGroup.
void pushDebugGroup(const char* name);
void popDebugGroup();
// identifier: GL_TEXTURE, GL_FRAMEBUFFER, GL_BUFFER, GL_VERTEX_ARRAY, GL_PROGRAM, GL_SHADER...
void labelObject(GLenum identifier, GLuint name, const std::string& label);
