// The workbench's overlay: five Dear ImGui panels drawn over the frame's output (Frame, Passes,
// Targets, Shaders, Keys), shown and hidden with Tab. Owns the ImGui context and its OpenGL 3
// back-end, made the first time it is shown, so a program that never shows it makes neither; the
// surface hands ImGui its input (a window through ImGui's GLFW callbacks, chained with its own;
// offscreen there is none). Reads what the panels show from OverlayInputs; a click is returned
// as an OverlayRequest for the workbench to carry out as the key would. Draws into the bound
// framebuffer and gives back every piece of GL state it changes (GlStateSnapshot). No imgui.ini
// is read or written.
#pragma once

#include "app/frame_history.h"
#include "app/pass_timer.h"
#include "app/surface.h"
#include "render/debug_view.h"
#include "render/view_thumbnails.h"
#include "resources/shader_program.h"

#include <GL/glew.h>
#include <array>
#include <cstdint>
#include <string>

struct ImGuiContext;

// The GL state a pass over the output may change, taken and given back whole.
struct GlStateSnapshot {
    GLint drawFramebuffer = 0, readFramebuffer = 0, program = 0, vertexArray = 0, activeTexture = 0;
    GLint texture2D = 0;  // on unit 0, where the thumbnails bind their sources
    GLint arrayBuffer = 0;
    GLint viewport[4] = {}, scissorBox[4] = {};
    GLboolean blend = GL_FALSE, depthTest = GL_FALSE, scissorTest = GL_FALSE, cullFace = GL_FALSE;
    GLint blendSrcRgb = 0, blendDstRgb = 0, blendSrcAlpha = 0, blendDstAlpha = 0;
    GLint blendEquationRgb = 0, blendEquationAlpha = 0;

    static GlStateSnapshot take();
    void restore() const;
    bool operator==(const GlStateSnapshot& other) const;
};

// What the panels show beside the overlay's own figures; the workbench fills it each frame.
struct OverlayInputs {
    double sceneTime = 0.0;
    bool held = false;         // P holds the scene
    bool scripted = true;      // the scripted camera (3), not free flight (4)
    bool recording = false;    // 1 records the camera's path
    bool timing = false;       // T's table is being measured
    View view = View::Final;
    int outputWidth = 0, outputHeight = 0;
    const FrameHistory* frames = nullptr;
    const PassTimer::LiveCosts* passes = nullptr;  // null: the context has no timer queries
    const ViewThumbnails* thumbnails = nullptr;    // null: the views' program has not built
    // The hot-reloaded programs in build order; null entries are skipped.
    const ShaderProgram* const* programs = nullptr;
    int programCount = 0;
};

// What a click on a panel asks for; the workbench does what the key does.
struct OverlayRequest {
    bool togglePause = false;  // P
    bool step = false;         // .
    int view = -1;             // F1 + view, or -1 for none
};

class Overlay {
public:
    Overlay() = default;
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    // Tab: shows the overlay (starting ImGui on surface the first time) or hides it. A start
    // that fails says why in one line and leaves the overlay hidden.
    void toggle(Surface& surface);
    bool shown() const { return visible; }
    // True while a panel's widget holds the keyboard: keys then go to the panel, not the program.
    bool wantsKeyboard() const;
    // One ImGui frame over the bound framebuffer, dt seconds after the last; nothing when hidden.
    OverlayRequest draw(const OverlayInputs& inputs, double dt);
    // Ends ImGui and its back-ends; call while the context is current. Safe to call twice.
    void release();

    // Where the last frame drew each view's thumbnail, in output pixels from the top left
    // (x, y, w, h; all 0 when not drawn): the tests click there.
    std::array<std::array<float, 4>, kViewCount> thumbnailRects{};

private:
    bool start(Surface& surface);
    void framePanel(const OverlayInputs& inputs, OverlayRequest& request);
    void passesPanel(const OverlayInputs& inputs);
    void targetsPanel(const OverlayInputs& inputs, OverlayRequest& request);
    void shadersPanel(const OverlayInputs& inputs);
    void programEntry(const ShaderProgram& program, const std::string& label, bool focus);
    void failureDetails(const ShaderFailure& failure);
    void keysPanel(const OverlayInputs& inputs);

    ImGuiContext* context = nullptr;
    Surface* input = nullptr;  // the surface that feeds ImGui its events
    bool visible = false;
    bool startFailed = false;
    bool measuring = false;  // the first frame's pass that only measures the panels
    std::string renderer;  // GL_RENDERER, read at start
    // Per program (by index in OverlayInputs::programs), the failure count last seen, so a new
    // failure brings the Shaders panel forward at that program.
    std::array<std::uint64_t, 16> seenFailures{};
    int focusProgram = -1;
    std::array<const ShaderProgram*, 16> labelled{};  // whose label labels holds, by index
    std::array<std::string, 16> labels;
};
