// Entry point of orbitview and orbitview_fs: the two builds differ only in ORBITVIEW_FULLSCREEN.
// `orbitview --headless W H ...` renders without a window (app/headless_run.h).
#include "app/application.h"
#include "app/headless_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef ORBITVIEW_FULLSCREEN
constexpr WindowMode kWindowMode = WindowMode::FullScreen;
#else
constexpr WindowMode kWindowMode = WindowMode::Windowed;
#endif

namespace {

int runWithoutWindow(const char* program, int argc, char** argv)
{
    HeadlessOptions options;
    std::string error;
    if (!parseHeadlessOptions(std::vector<std::string>(argv, argv + argc), options, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        printHeadlessUsage(program);
        return 2;
    }
    if (options.listGpus) {
        const std::vector<std::string> devices = listEglDevices();
        for (const std::string& device : devices)
            std::printf("%s\n", device.c_str());
        return devices.empty() ? 1 : 0;
    }
    if (!makeCaptureFolder(options))
        return 1;
    Application app(options.width, options.height, WindowMode::Headless, nullptr, options.gpu);
    if (!app.ready())
        return 1;
    return runHeadless(app, options);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* program = argc > 0 ? argv[0] : "orbitview";
    if (argc > 1 && std::strcmp(argv[1], "--headless") == 0)
        return runWithoutWindow(program, argc - 2, argv + 2);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <width> <height>\n", program);
        printHeadlessUsage(program);
        return 2;
    }
    Application app(std::atoi(argv[1]), std::atoi(argv[2]), kWindowMode);
    if (!app.ready())
        return 1;
    return app.run();
}
