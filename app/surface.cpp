// The one place that chooses between a window and an offscreen surface.
#include "app/surface.h"

#include "app/offscreen_surface.h"
#include "app/window.h"

const char* const kWindowTitle = "Quillon Works";

std::unique_ptr<Surface> openSurface(const SurfaceRequest& request)
{
    if (request.kind == SurfaceKind::Offscreen)
        return OffscreenSurface::open(request.width, request.height, request.gpu);
    return Window::open(request.width, request.height, request.kind == SurfaceKind::FullScreen);
}
