// The fetch table and the reference programs. Each reference program is generated from its
// entry: one sampler per fetch group, one loop of fetches per group, a sum.
#include "bench/frame/fetch_reference.h"

#include "resources/shader.h"
#include "scene/gl_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

// Blur of radius R (blurFragmentShader.frag): the centre and two distances either side per
// step, each texel at its centre through the nearest sampler.
constexpr int blurFetches(int radius)
{
    return 1 + 4 * ((radius + 1) / 2);
}

}  // namespace

const std::vector<ScreenDraw>& screenDraws()
{
    using S = FetchSource;
    constexpr FetchFilter kOwn = FetchFilter::Own;
    constexpr FetchFilter kNearest = FetchFilter::Nearest;
    constexpr FetchLayout kRow = FetchLayout::Row;
    constexpr FetchLayout kColumn = FetchLayout::Column;
    constexpr FetchLayout kBlock = FetchLayout::Block;
    static const std::vector<ScreenDraw> table = {
        // ssao.frag: centre depth, two texels either side along x and y for the depth-derived
        // normal (8), the rotation noise (1), 32 kernel samples scattered around the pixel;
        // background pixels stop after the centre fetch (on a GPU; llvmpipe runs the rest under
        // a mask, and so does the reference, which keeps the same branch).
        {FrameStep::Ssao, "ssao", {{S::Depth, 42, kNearest, kBlock}}, true},
        // The occlusion blur, radius 20, along x into the full-size scratch target, then back;
        // the blurs read every texel of their radius at its centre.
        {FrameStep::Ssao, "ssao blur x", {{S::Ssao, blurFetches(20), kNearest, kRow}}},
        {FrameStep::Ssao, "ssao blur y", {{S::FullScratch, blurFetches(20), kNearest, kColumn}}},
        // downsample.frag bright pass: a 2 x 2 box of the scene (4) and the focus factor (1).
        // The focus-factor fetch sits in a branch that writeAlpha 0 does not take, but llvmpipe
        // runs both sides of a branch under a mask, so the fetch is made all the same.
        {FrameStep::LensFlare, "bright pass", {{S::SceneColor, 4, kOwn, kBlock}, {S::Normal, 1, kOwn}}},
        // The bloom blur, radius 30, at half size.
        {FrameStep::LensFlare, "bloom blur x", {{S::Half, blurFetches(30), kNearest, kRow}}},
        {FrameStep::LensFlare, "bloom blur y", {{S::HalfScratch, blurFetches(30), kNearest, kColumn}}},
        // downsample.frag bloom add: the 2 x 2 box read from the half-size blur (4) and the
        // focus factor (1, as in the bright pass), added onto the full-size scene.
        {FrameStep::LensFlare, "bloom add", {{S::Half, 4, kOwn, kBlock}, {S::Normal, 1, kOwn}}},
        // downsample.frag flare threshold: as the bright pass.
        {FrameStep::LensFlare, "flare threshold", {{S::SceneColor, 4, kOwn, kBlock}, {S::Normal, 1, kOwn}}},
        // lensflare.frag: three fringe fetches for each of the 9 ghosts and for the halo (30),
        // the colour ramp (1). A ghost off screen is skipped by a branch, which llvmpipe runs
        // under a mask with its fetches all the same (a GPU would skip ghosts 6-8 on part of
        // the screen: 26 fetches on average). The ghosts lie along the line through the centre;
        // a row is their most favourable layout.
        {FrameStep::LensFlare, "lens flare", {{S::Half, 30, kOwn, kRow}, {S::LensColor, 1, kOwn}}},
        // The flare blur, radius 24, at half size.
        {FrameStep::LensFlare, "flare blur x", {{S::Flare, blurFetches(24), kNearest, kRow}}},
        {FrameStep::LensFlare, "flare blur y", {{S::HalfScratch, blurFetches(24), kNearest, kColumn}}},
        // downsample.frag depth-of-field copy: the 2 x 2 box (4) and the focus factor (1).
        {FrameStep::DepthOfField, "dof copy", {{S::SceneColor, 4, kOwn, kBlock}, {S::Normal, 1, kOwn}}},
        // gauss25TapX/Y.frag: 25 taps through 13 linear-filtered fetches.
        {FrameStep::DepthOfField, "dof gauss x", {{S::Half, 13, kOwn, kRow}}},
        {FrameStep::DepthOfField, "dof gauss y", {{S::HalfScratch, 13, kOwn, kColumn}}},
        // quadShader.frag: scene, occlusion, blurred copy, focus factor, flare, lens dirt and
        // star-burst, one fetch each, into the window; occlusion and focus factor at the
        // pixel's own texel centre.
        {FrameStep::Composite, "composite",
         {{S::SceneColor, 1, kOwn}, {S::Ssao, 1, kNearest}, {S::Half, 1, kOwn}, {S::Normal, 1, kOwn},
          {S::Flare, 1, kOwn}, {S::LensDirt, 1, kOwn}, {S::LensStar, 1, kOwn}}},
    };
    return table;
}

int fetchesPerPixel(const ScreenDraw& draw)
{
    int total = 0;
    for (const FetchGroup& group : draw.groups)
        total += group.count;
    return total;
}

int screenDrawEntry(FrameStep step, int index)
{
    const std::vector<ScreenDraw>& table = screenDraws();
    for (std::size_t entry = 0; entry < table.size(); ++entry)
        if (table[entry].step == step && index-- == 0)
            return int(entry);
    return -1;
}

int screenDrawsListed(FrameStep step)
{
    const std::vector<ScreenDraw>& table = screenDraws();
    return int(std::count_if(table.begin(), table.end(), [step](const ScreenDraw& draw) { return draw.step == step; }));
}

namespace {

GLuint sourceTexture(const Renderer& renderer, FetchSource source)
{
    const RenderTargets& targets = renderer.resources.targets;
    switch (source) {
    case FetchSource::Depth: return targets.depthTex;
    case FetchSource::Normal: return targets.normalTex;
    case FetchSource::Ssao: return targets.ssaoTex;
    case FetchSource::FullScratch: return targets.fullScratchTex;
    case FetchSource::SceneColor: return targets.sceneColorTex;
    case FetchSource::Half: return targets.halfTex;
    case FetchSource::HalfScratch: return targets.halfScratchTex;
    case FetchSource::Flare: return targets.flareTex;
    case FetchSource::LensStar: return renderer.lensFlare.lensStarTex;
    case FetchSource::LensDirt: return renderer.lensFlare.lensDirtTex;
    case FetchSource::LensColor: return renderer.lensFlare.lensColorTex;
    }
    return 0;
}

// Where the i-th of count fetches lands, in texels from the pixel.
glm::ivec2 fetchOffset(FetchLayout layout, int i, int count)
{
    switch (layout) {
    case FetchLayout::Row: return {i, 0};
    case FetchLayout::Column: return {0, i};
    case FetchLayout::Block: {
        const int side = int(std::ceil(std::sqrt(double(count))));
        return {i % side, i / side};
    }
    }
    return {i, 0};
}

// The fragment stage of a reference: every fetch written out with its constant offset, summed.
std::string referenceSource(const ScreenDraw& draw)
{
    std::ostringstream glsl;
    glsl << "#version 150\nin vec2 uv;\nout vec4 result;\n";
    for (std::size_t g = 0; g < draw.groups.size(); ++g)
        glsl << "uniform sampler" << (draw.groups[g].source == FetchSource::LensColor ? "1D" : "2D")
             << " source" << g << ";\n";
    glsl << "void main()\n{\n    vec4 sum = vec4(0.0);\n";
    for (std::size_t g = 0; g < draw.groups.size(); ++g) {
        const FetchGroup& group = draw.groups[g];
        const std::string sampler = "source" + std::to_string(g);
        const bool oneD = group.source == FetchSource::LensColor;
        if (oneD)
            glsl << "    float step" << g << " = 1.0 / float(textureSize(" << sampler << ", 0));\n";
        else
            glsl << "    vec2 step" << g << " = 1.0 / vec2(textureSize(" << sampler << ", 0));\n";
        for (int i = 0; i < group.count; ++i) {
            const glm::ivec2 offset = fetchOffset(group.layout, i, group.count);
            if (oneD)
                glsl << "    sum += texture(" << sampler << ", uv.x + " << offset.x << ".0 * step" << g << ");\n";
            else
                glsl << "    sum += texture(" << sampler << ", uv + vec2(" << offset.x << ".0, " << offset.y
                     << ".0) * step" << g << ");\n";
            // Where only drawn pixels go on, the first fetch (offset 0, the pixel's own depth) decides.
            if (g == 0 && i == 0 && draw.onlyWhereDrawn)
                glsl << "    if (sum.r < 1.0) {\n";
        }
    }
    if (draw.onlyWhereDrawn)
        glsl << "    }\n";
    glsl << "    result = sum;\n}\n";
    return glsl.str();
}

GLuint buildProgram(const std::string& vertexSource, const ScreenDraw& draw)
{
    const GLuint program = glCreateProgram();
    const GLuint vertex = compileStage(Vertex, vertexSource);
    const GLuint fragment = compileStage(Fragment, referenceSource(draw));
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    const std::string status = programStatusText(program);
    if (!status.empty()) {
        std::fprintf(stderr, "orbitview_bench: the reference of \"%s\" does not link: %s", draw.name, status.c_str());
        glDeleteProgram(program);
        return 0;
    }
    glUseProgram(program);
    for (std::size_t g = 0; g < draw.groups.size(); ++g)
        glUniform1i(glGetUniformLocation(program, ("source" + std::to_string(g)).c_str()), GLint(g));
    glUseProgram(0);
    return program;
}

}  // namespace

void FetchReferences::build(const std::string& vertexSource)
{
    release();
    for (const ScreenDraw& draw : screenDraws())
        programs.push_back(buildProgram(vertexSource, draw));
}

void FetchReferences::release()
{
    for (GLuint& program : programs)
        deleteProgram(program);
    programs.clear();
}

bool FetchReferences::bind(int entry, const Renderer& renderer) const
{
    if (entry < 0 || std::size_t(entry) >= programs.size() || !programs[std::size_t(entry)])
        return false;
    const ScreenDraw& draw = screenDraws()[std::size_t(entry)];
    glUseProgram(programs[std::size_t(entry)]);
    for (std::size_t g = 0; g < draw.groups.size(); ++g) {
        const bool oneD = draw.groups[g].source == FetchSource::LensColor;
        glActiveTexture(GLenum(GL_TEXTURE0 + g));
        glBindTexture(oneD ? GL_TEXTURE_1D : GL_TEXTURE_2D, sourceTexture(renderer, draw.groups[g].source));
        if (draw.groups[g].filter == FetchFilter::Nearest)
            renderer.resources.texelSampler.bind(GLuint(g));
        else
            renderer.resources.texelSampler.unbind(GLuint(g));
    }
    return true;
}

int FetchReferences::unitsUsed() const
{
    std::size_t units = 0;
    for (const ScreenDraw& draw : screenDraws())
        units = std::max(units, draw.groups.size());
    return int(units);
}
