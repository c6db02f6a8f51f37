// The headless context through EGL, loaded with dlopen: device enumeration, display, config,
// context and surface; GL entry points through GLEW; the one-frame queue of present().
#include "app/headless_context.h"

#include <GL/glew.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {

// The EGL entry points the context needs, from the library or eglGetProcAddress.
struct Egl {
    PFNEGLGETPROCADDRESSPROC getProcAddress = nullptr;
    PFNEGLGETERRORPROC getError = nullptr;
    PFNEGLQUERYSTRINGPROC queryString = nullptr;
    PFNEGLINITIALIZEPROC initialize = nullptr;
    PFNEGLBINDAPIPROC bindApi = nullptr;
    PFNEGLCHOOSECONFIGPROC chooseConfig = nullptr;
    PFNEGLCREATECONTEXTPROC createContext = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLCREATEPBUFFERSURFACEPROC createPbuffer = nullptr;
    PFNEGLDESTROYSURFACEPROC destroySurface = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
    PFNEGLGETPLATFORMDISPLAYEXTPROC getPlatformDisplay = nullptr;
    PFNEGLQUERYDEVICESEXTPROC queryDevices = nullptr;
    PFNEGLQUERYDEVICESTRINGEXTPROC queryDeviceString = nullptr;
};

template <typename Function>
bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

bool hasExtension(const char* list, const char* name)
{
    if (!list)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + length, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

// Opens libEGL and resolves the entry points; false, with a line on stderr, when it cannot.
bool loadEgl(void*& library, Egl& egl)
{
    library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "orbitview: --headless needs libEGL.so.1 (Debian package libegl1): %s\n", dlerror());
        return false;
    }
    const bool core = resolve(library, "eglGetProcAddress", egl.getProcAddress) &&
                      resolve(library, "eglGetError", egl.getError) &&
                      resolve(library, "eglQueryString", egl.queryString) &&
                      resolve(library, "eglInitialize", egl.initialize) &&
                      resolve(library, "eglBindAPI", egl.bindApi) &&
                      resolve(library, "eglChooseConfig", egl.chooseConfig) &&
                      resolve(library, "eglCreateContext", egl.createContext) &&
                      resolve(library, "eglDestroyContext", egl.destroyContext) &&
                      resolve(library, "eglCreatePbufferSurface", egl.createPbuffer) &&
                      resolve(library, "eglDestroySurface", egl.destroySurface) &&
                      resolve(library, "eglMakeCurrent", egl.makeCurrent);
    if (!core) {
        std::fprintf(stderr, "orbitview: libEGL.so.1 lacks EGL 1.4's entry points\n");
        dlclose(library);
        library = nullptr;
        return false;
    }
    const char* clientExtensions = egl.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (hasExtension(clientExtensions, "EGL_EXT_platform_base"))
        egl.getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(egl.getProcAddress("eglGetPlatformDisplayEXT"));
    if (hasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
        egl.queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(egl.getProcAddress("eglQueryDevicesEXT"));
        egl.queryDeviceString =
            reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(egl.getProcAddress("eglQueryDeviceStringEXT"));
    }
    return true;
}

// The devices EGL enumerates; none where it cannot.
std::vector<EGLDeviceEXT> devices(const Egl& egl)
{
    EGLint count = 0;
    if (!egl.queryDevices || !egl.queryDevices(0, nullptr, &count) || count <= 0)
        return {};
    std::vector<EGLDeviceEXT> list(static_cast<std::size_t>(count));
    if (!egl.queryDevices(count, list.data(), &count))
        return {};
    list.resize(std::size_t(count));
    return list;
}

std::string deviceLine(const Egl& egl, EGLDeviceEXT device, std::size_t index)
{
    std::string line = std::to_string(index) + ":";
    const char* extensions = egl.queryDeviceString ? egl.queryDeviceString(device, EGL_EXTENSIONS) : nullptr;
    if (hasExtension(extensions, "EGL_EXT_device_drm")) {
        if (const char* file = egl.queryDeviceString(device, EGL_DRM_DEVICE_FILE_EXT))
            line += std::string(" ") + file;
    }
    if (hasExtension(extensions, "EGL_MESA_device_software"))
        line += " software rasterizer";
    line += std::string(" (") + (extensions && *extensions ? extensions : "no device extensions") + ")";
    return line;
}

}  // namespace

bool HeadlessContext::open(int gpu)
{
    Egl egl;
    if (!loadEgl(library, egl))
        return false;
    // One line on stderr, nothing left open.
    const auto refuse = [this](const std::string& line) {
        std::fprintf(stderr, "orbitview: %s\n", line.c_str());
        close();
        return false;
    };
    const auto fail = [&refuse, &egl](const std::string& what) {
        char error[32];
        std::snprintf(error, sizeof error, " (EGL error 0x%x)", unsigned(egl.getError()));
        return refuse(what + error);
    };

    const std::vector<EGLDeviceEXT> list = devices(egl);
    const char* clientExtensions = egl.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    std::string platform;
    if (!list.empty() && egl.getPlatformDisplay && hasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        if (gpu < 0 || std::size_t(gpu) >= list.size())
            return refuse("--gpu " + std::to_string(gpu) + ": EGL has " + std::to_string(list.size()) +
                          " device(s), 0 to " + std::to_string(list.size() - 1) + " (--gpu list shows them)");
        display = egl.getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, list[std::size_t(gpu)], nullptr);
        platform = "EGL device " + std::to_string(gpu);
    } else if (egl.getPlatformDisplay && hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        if (gpu != 0)
            return refuse("--gpu " + std::to_string(gpu) +
                          ": EGL enumerates no devices here, only the surfaceless platform");
        display = egl.getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        platform = "EGL surfaceless platform";
    } else {
        return refuse("EGL offers neither a device (EGL_EXT_platform_device) nor the surfaceless platform "
                      "(EGL_MESA_platform_surfaceless); no headless context");
    }
    if (display == EGL_NO_DISPLAY || !egl.initialize(display, nullptr, nullptr))
        return fail("cannot initialise the " + platform);
    if (!egl.bindApi(EGL_OPENGL_API))
        return fail("the EGL display offers no desktop OpenGL");

    const bool surfaceless = hasExtension(egl.queryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context");
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!egl.chooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1)
        return fail("no EGL config renders desktop OpenGL");
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 2,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    context = egl.createContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return fail("EGL could not make an OpenGL 3.2 core context");
    if (!surfaceless) {
        const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        surface = egl.createPbuffer(display, config, pbufferAttributes);
        if (surface == EGL_NO_SURFACE)
            return fail("EGL could not make a 1 x 1 pbuffer");
    }
    if (!egl.makeCurrent(display, surface, surface, context))
        return fail("EGL could not make the context current");

    // Debian's GLEW is built for GLX: glewInit loads every GL entry point (through glvnd's
    // dispatch, which serves EGL contexts too) and then fails to find a GLX display.
    glewExperimental = GL_TRUE;
    const GLenum glew = glewInit();
    if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY)
        return refuse(std::string("GLEW could not load OpenGL through EGL: ") +
                      reinterpret_cast<const char*>(glewGetErrorString(glew)));
    GLint glMajor = 0, glMinor = 0, profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &glMajor);
    glGetIntegerv(GL_MINOR_VERSION, &glMinor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    glGetError();
    const bool core = profile & GL_CONTEXT_CORE_PROFILE_BIT;
    if (glMajor * 10 + glMinor < 32 || !core)
        return refuse("the EGL context is OpenGL " + std::to_string(glMajor) + "." + std::to_string(glMinor) +
                      (core ? " core" : "") + "; orbitview needs 3.2 core");
    return true;
}

void HeadlessContext::present()
{
    GLsync frame = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    if (pendingFrame) {
        GLsync previous = static_cast<GLsync>(pendingFrame);
        glClientWaitSync(previous, GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
        glDeleteSync(previous);
    }
    pendingFrame = frame;
}

void HeadlessContext::close()
{
    if (pendingFrame && context) {
        glDeleteSync(static_cast<GLsync>(pendingFrame));
        pendingFrame = nullptr;
    }
    if (library) {
        Egl egl;
        resolve(library, "eglMakeCurrent", egl.makeCurrent);
        resolve(library, "eglDestroySurface", egl.destroySurface);
        resolve(library, "eglDestroyContext", egl.destroyContext);
        if (display) {
            egl.makeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            if (surface)
                egl.destroySurface(display, surface);
            if (context)
                egl.destroyContext(display, context);
        }
    }
    // The display stays initialised and libEGL loaded (a later open initialises the same display
    // again): terminating it unloads the driver, whose own globals are then the only pointers to
    // blocks it keeps, and a leak check at exit reports them. The process ends soon after.
    surface = context = display = nullptr;
    library = nullptr;
}

std::vector<std::string> listEglDevices()
{
    void* library = nullptr;
    Egl egl;
    if (!loadEgl(library, egl))
        return {};
    std::vector<std::string> lines;
    const std::vector<EGLDeviceEXT> list = devices(egl);
    if (list.empty())
        std::fprintf(stderr, "orbitview: EGL enumerates no devices (EGL_EXT_device_enumeration)%s\n",
                     hasExtension(egl.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless")
                         ? "; --headless uses the surfaceless platform"
                         : "");
    for (std::size_t i = 0; i < list.size(); ++i)
        lines.push_back(deviceLine(egl, list[i], i));
    return lines;
}

int printEglDevices()
{
    const std::vector<std::string> devices = listEglDevices();
    for (const std::string& device : devices)
        std::printf("%s\n", device.c_str());
    return devices.empty() ? 1 : 0;
}
