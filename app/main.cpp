// Entry point of orbitview and orbitview_fs: the two builds differ only in ORBITVIEW_FULLSCREEN.
// `orbitview --headless W H ...` renders without a window (app/headless_run.h).
#include "app/application.h"
#include "app/headless_context.h"
#include "app/headless_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef ORBITVIEW_FULLSCREEN
constexpr SurfaceKind kWindowKind = SurfaceKind::FullScreen;
#else
constexpr SurfaceKind kWindowKind = SurfaceKind::Window;
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
    if (options.listGpus)
        return printEglDevices();
    if (!makeCaptureFolder(options))
        return 1;
    Application app(SurfaceRequest{SurfaceKind::Offscreen, options.width, options.height, options.gpu});
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
    Application app(SurfaceRequest{kWindowKind, std::atoi(argv[1]), std::atoi(argv[2])});
    if (!app.ready())
        return 1;
    return app.run();
}
