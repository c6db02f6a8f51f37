// KHR_debug groups and labels, each a no-op where the extension is missing or the name is 0.
#include "scene/gl_debug.h"

bool debugNamesAvailable()
{
    return GLEW_KHR_debug || GLEW_VERSION_4_3;
}

void pushDebugGroup(const char* name)
{
    if (debugNamesAvailable())
        glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, -1, name);
}

void popDebugGroup()
{
    if (debugNamesAvailable())
        glPopDebugGroup();
}

void labelObject(GLenum identifier, GLuint name, const std::string& label)
{
    if (name != 0 && debugNamesAvailable())
        glObjectLabel(identifier, name, GLsizei(label.size()), label.c_str());
}
