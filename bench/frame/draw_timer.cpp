// The in-place draw timer: saves the state a reference changes (program, texture and sampler
// bindings, active unit, depth test), times the repeat and the reference, restores, redraws.
#include "bench/frame/draw_timer.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::size_t kMaxUnits = 16;
}  // namespace

DrawTimer::DrawTimer(const Renderer& renderer, const FetchReferences& references, long skipFrames)
    : passMs(screenDraws().size()),
      referenceMs(screenDraws().size()),
      renderer(renderer),
      references(references),
      gpu([this, skipFrames](long frame, int label, double ms) {
          if (frame >= skipFrames)
              (label % 2 ? referenceMs : passMs)[std::size_t(label / 2)].push_back(ms);
      })
{
}

void DrawTimer::measure(FrameStep step, int index, const DriverCall& repeat)
{
    const int entry = screenDrawEntry(step, index);
    if (entry < 0)
        return;

    GLint program = 0, activeUnit = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    const std::size_t units = std::min(kMaxUnits, std::size_t(references.unitsUsed()));
    std::array<GLint, kMaxUnits> bound2D{}, bound1D{}, boundSampler{};
    for (std::size_t unit = 0; unit < units; ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound2D[unit]);
        glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound1D[unit]);
        if (renderer.resources.texelSampler.sampler)
            glGetIntegerv(GL_SAMPLER_BINDING, &boundSampler[unit]);
    }
    const bool depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);

    const auto timed = [&](int label) {
        glFinish();
        gpu.start(label);
        repeat.again();
        gpu.stop();
    };
    timed(2 * entry);
    if (references.bind(entry, renderer))
        timed(2 * entry + 1);

    for (std::size_t unit = 0; unit < units; ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        glBindTexture(GL_TEXTURE_2D, GLuint(bound2D[unit]));
        glBindTexture(GL_TEXTURE_1D, GLuint(bound1D[unit]));
        if (renderer.resources.texelSampler.sampler)
            glBindSampler(GLuint(unit), GLuint(boundSampler[unit]));
    }
    glActiveTexture(GLenum(activeUnit));
    glUseProgram(GLuint(program));
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    repeat.again();
}
