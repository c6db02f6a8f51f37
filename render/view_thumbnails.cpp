// View thumbnails: the views' program once per cell into one small RGBA8 target.
#include "render/view_thumbnails.h"

#include "resources/gl_error.h"
#include "scene/gl_debug.h"

#include <algorithm>

void ViewThumbnails::cell(View view, int height, int& x, int& y)
{
    // Scene is the first cell, top left; the rows go down the picture, so up the texture.
    const int index = int(view) - int(View::Scene);
    x = (index % kColumns) * kCellWidth;
    y = (kRows - 1 - index / kColumns) * height;
}

namespace {
int cellHeightFor(const RenderTargets& targets)
{
    return std::max(1, ViewThumbnails::kCellWidth * targets.height / std::max(1, targets.width));
}
}  // namespace

bool ViewThumbnails::fits(const FrameResources& resources) const
{
    return texture != 0 && cellHeight == cellHeightFor(resources.targets);
}

void ViewThumbnails::render(const DebugViewPass& views, const FrameResources& resources)
{
    if (!fits(resources)) {
        release();
        cellHeight = cellHeightFor(resources.targets);
        texture = makeTarget(GL_RGBA8, GL_RGBA, textureWidth(), textureHeight(), GL_LINEAR);
        framebuffer = makeFramebuffer(0, texture);
        labelObject(GL_TEXTURE, texture, "view thumbnails");
        labelObject(GL_FRAMEBUFFER, framebuffer, "view thumbnails");
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, textureWidth(), textureHeight());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int view = int(View::Scene); view < kViewCount; ++view) {
        int x = 0, y = 0;
        cell(View(view), cellHeight, x, y);
        views.renderIn(View(view), resources, x, y, kCellWidth, cellHeight);
    }
    checkGlError();
}

void ViewThumbnails::release()
{
    if (framebuffer)
        glDeleteFramebuffers(1, &framebuffer);
    if (texture)
        glDeleteTextures(1, &texture);
    framebuffer = texture = 0;
    cellHeight = 0;
}
