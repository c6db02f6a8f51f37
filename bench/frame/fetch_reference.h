// The fetch-bound references of the screen-space draws. The table (fetch_reference.cpp) lists
// every full-screen draw of the frame, in draw order within its step, with the texture fetches
// per output pixel counted from its shader. A draw's reference reads the same textures of the
// renderer the same number of times per pixel, at neighbouring texels laid out like the draw's
// own fetches, with nothing but a sum for arithmetic; the benchmark draws it in place of the
// draw, into the draw's own target with the draw's own blending, so it is the least that draw
// can cost there.
#pragma once

#include "app/frame_probe.h"
#include "render/renderer.h"

#include <string>
#include <vector>

enum class FetchSource {
    Depth, Normal, Ssao, FullScratch, SceneColor, Half, HalfScratch, Flare,
    LensStar, LensDirt, LensColor,  // LensColor is one-dimensional
};

// Where a reference's fetches land around the pixel, following the footprint of the draw's
// own: along a row, along a column, or over a square block (a box filter, scattered samples).
enum class FetchLayout { Row, Column, Block };

// How a group's fetches are filtered: by the texture's own filter, or through the renderer's
// nearest sampler, which the draw binds where it reads only texel centres.
enum class FetchFilter { Own, Nearest };

struct FetchGroup {
    FetchSource source;
    int count;  // fetches per pixel from this source
    FetchFilter filter;
    FetchLayout layout = FetchLayout::Row;
};

struct ScreenDraw {
    FrameStep step;
    const char* name;
    std::vector<FetchGroup> groups;
    // The first fetch reads the pre-pass depth and the rest happen only where it is below 1
    // (where a mesh was drawn); elsewhere the draw makes that one fetch.
    bool onlyWhereDrawn = false;
};

const std::vector<ScreenDraw>& screenDraws();
int fetchesPerPixel(const ScreenDraw& draw);
// The table entry of the index-th draw (0, 1, ...) of step; -1 when the table lists none.
int screenDrawEntry(FrameStep step, int index);
// How many draws the table lists for step.
int screenDrawsListed(FrameStep step);

// The reference programs, one per table entry, built from the entry.
class FetchReferences {
public:
    FetchReferences() = default;
    FetchReferences(const FetchReferences&) = delete;
    FetchReferences& operator=(const FetchReferences&) = delete;
    ~FetchReferences() { release(); }

    // Builds every program with vertexSource (the screen-space passes' vertex stage). An entry
    // whose program does not link stays 0, with a line on stderr.
    void build(const std::string& vertexSource);
    void release();
    // Makes entry's program current and binds its sources, the renderer's textures, to units
    // 0, 1, ..., each with the sampler its filter asks for. False when the entry has no program.
    bool bind(int entry, const Renderer& renderer) const;
    // The largest number of texture units a reference binds.
    int unitsUsed() const;

private:
    std::vector<GLuint> programs;
};
