// Entry point of orbitview and orbitview_fs: the two builds differ only in ORBITVIEW_FULLSCREEN.
#include "app/application.h"

#include <cstdio>
#include <cstdlib>

#ifdef ORBITVIEW_FULLSCREEN
constexpr WindowMode kWindowMode = WindowMode::FullScreen;
#else
constexpr WindowMode kWindowMode = WindowMode::Windowed;
#endif

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <width> <height>\n", argc > 0 ? argv[0] : "orbitview");
        return 2;
    }
    Application app(std::atoi(argv[1]), std::atoi(argv[2]), kWindowMode);
    if (!app.ready())
        return 1;
    return app.run();
}
