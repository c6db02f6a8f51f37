// The inspection views in small, for the overlay's Targets panel: one RGBA8 texture of
// kColumns x kRows cells, kCellWidth wide and as high as the output's aspect asks, into which the
// views' program draws every view but Final as its F key shows it (HDR colour tone-mapped,
// normals mapped to colour, depth linearised, occlusion as grey). Owns that texture and its
// framebuffer; reads the frame's targets. Leaves its own framebuffer bound.
#pragma once

#include "render/debug_view.h"
#include "render/frame_resources.h"

struct ViewThumbnails {
    static constexpr int kColumns = 4, kRows = 2;
    static constexpr int kCellWidth = 160;

    GLuint texture = 0, framebuffer = 0;
    int cellHeight = 0;

    // Draws the seven views into their cells, making the texture first (and again when the
    // output's aspect changed its cell height).
    void render(const DebugViewPass& views, const FrameResources& resources);
    // True when the texture is made for the output's aspect.
    bool fits(const FrameResources& resources) const;
    // The cell of view (not Final), as a pixel rectangle from the texture's bottom-left corner.
    static void cell(View view, int cellHeight, int& x, int& y);
    int textureWidth() const { return kColumns * kCellWidth; }
    int textureHeight() const { return kRows * cellHeight; }
    void release();
};
