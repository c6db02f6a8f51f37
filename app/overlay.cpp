// The overlay's panels, its start and end, and the GL state it gives back.
#include "app/overlay.h"

#include "app/frame_probe.h"
#include "resources/shader_log.h"

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr float kMargin = 8.0f;
constexpr float kLeftWidth = 330.0f;     // Frame, Passes and Keys
constexpr float kThumbnailWidth = 120.0f;  // on screen; the texture's cells are larger
const ImVec4 kFailedColour(1.0f, 0.45f, 0.4f, 1.0f);
const ImVec4 kFixedColour(0.5f, 0.9f, 0.5f, 1.0f);
const ImVec4 kDimColour(0.65f, 0.65f, 0.65f, 1.0f);
const ImVec4 kWarningColour(1.0f, 0.85f, 0.4f, 1.0f);

// The steps Passes lists: those that draw, in frame order.
constexpr FrameStep kPassSteps[] = {
    FrameStep::Clear,     FrameStep::NormalDepth, FrameStep::Ssao,      FrameStep::Lighting,
    FrameStep::SkyBox,    FrameStep::Particles,   FrameStep::Unlit,     FrameStep::LensFlare,
    FrameStep::DepthOfField, FrameStep::Composite, FrameStep::Overlay,
};

// Every panel fits its contents, at a fixed width and at most maxHeight high (then it scrolls),
// so it covers no more of the frame than it needs. Placed once; the user may move it.
constexpr ImGuiWindowFlags kPanelFlags = ImGuiWindowFlags_AlwaysAutoResize;

void placeNext(float x, float y, float w, float maxHeight)
{
    ImGui::SetNextWindowPos(ImVec2(x, y), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSizeConstraints(ImVec2(w, 0.0f), ImVec2(w, std::max(maxHeight, 60.0f)));
}

}  // namespace

GlStateSnapshot GlStateSnapshot::take()
{
    GlStateSnapshot s;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &s.drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &s.readFramebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &s.vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &s.arrayBuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture2D);
    glActiveTexture(GLenum(s.activeTexture));
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
    s.blend = glIsEnabled(GL_BLEND);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    s.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
    s.cullFace = glIsEnabled(GL_CULL_FACE);
    glGetIntegerv(GL_BLEND_SRC_RGB, &s.blendSrcRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &s.blendDstRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &s.blendSrcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &s.blendDstAlpha);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &s.blendEquationRgb);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &s.blendEquationAlpha);
    return s;
}

void GlStateSnapshot::restore() const
{
    const auto enable = [](GLenum capability, GLboolean on) { on ? glEnable(capability) : glDisable(capability); };
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readFramebuffer));
    glUseProgram(GLuint(program));
    glBindVertexArray(GLuint(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(arrayBuffer));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, GLuint(texture2D));
    glActiveTexture(GLenum(activeTexture));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    enable(GL_BLEND, blend);
    enable(GL_DEPTH_TEST, depthTest);
    enable(GL_SCISSOR_TEST, scissorTest);
    enable(GL_CULL_FACE, cullFace);
    glBlendFuncSeparate(GLenum(blendSrcRgb), GLenum(blendDstRgb), GLenum(blendSrcAlpha), GLenum(blendDstAlpha));
    glBlendEquationSeparate(GLenum(blendEquationRgb), GLenum(blendEquationAlpha));
}

bool GlStateSnapshot::operator==(const GlStateSnapshot& o) const
{
    return drawFramebuffer == o.drawFramebuffer && readFramebuffer == o.readFramebuffer && program == o.program &&
           vertexArray == o.vertexArray && arrayBuffer == o.arrayBuffer && activeTexture == o.activeTexture &&
           texture2D == o.texture2D && std::equal(viewport, viewport + 4, o.viewport) &&
           std::equal(scissorBox, scissorBox + 4, o.scissorBox) && blend == o.blend && depthTest == o.depthTest &&
           scissorTest == o.scissorTest && cullFace == o.cullFace && blendSrcRgb == o.blendSrcRgb &&
           blendDstRgb == o.blendDstRgb && blendSrcAlpha == o.blendSrcAlpha && blendDstAlpha == o.blendDstAlpha &&
           blendEquationRgb == o.blendEquationRgb && blendEquationAlpha == o.blendEquationAlpha;
}

Overlay::~Overlay()
{
    release();
}

void Overlay::toggle(Surface& surface)
{
    if (visible) {
        visible = false;
        return;
    }
    visible = context != nullptr || start(surface);
}

bool Overlay::start(Surface& surface)
{
    if (startFailed)
        return false;
    IMGUI_CHECKVERSION();
    ImGuiContext* const previous = ImGui::GetCurrentContext();
    context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the layout is the program's, and nothing lands in the working directory
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().Alpha = 0.92f;
    if (!ImGui_ImplOpenGL3_Init("#version 150")) {
        std::fprintf(stderr, "orbitview: the overlay cannot start: Dear ImGui's OpenGL 3 back-end found no GL\n");
        ImGui::DestroyContext(context);
        ImGui::SetCurrentContext(previous);
        context = nullptr;
        startFailed = true;
        return false;
    }
    surface.startOverlayInput();
    input = &surface;
    const GLubyte* name = glGetString(GL_RENDERER);
    renderer = name ? reinterpret_cast<const char*>(name) : "unknown";
    return true;
}

void Overlay::release()
{
    if (!context)
        return;
    ImGui::SetCurrentContext(context);
    ImGui_ImplOpenGL3_Shutdown();
    if (input)
        input->stopOverlayInput();
    ImGui::DestroyContext(context);
    context = nullptr;
    input = nullptr;
    visible = false;
}

bool Overlay::wantsKeyboard() const
{
    if (!visible || !context)
        return false;
    ImGui::SetCurrentContext(context);
    return ImGui::GetIO().WantTextInput;
}

OverlayRequest Overlay::draw(const OverlayInputs& inputs, double dt)
{
    OverlayRequest request;
    if (!visible || !context)
        return request;
    ImGui::SetCurrentContext(context);
    ImGui_ImplOpenGL3_NewFrame();
    input->overlayInputFrame();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(float(inputs.outputWidth), float(inputs.outputHeight));
    io.DisplayFramebufferScale = ImVec2(1.0f, 1.0f);
    io.DeltaTime = float(std::max(dt, 1e-4));
    // A panel that fits its contents is measured in the first frame it appears in and drawn from
    // the next; the very first frame is run twice so that Tab shows the panels at once.
    for (measuring = ImGui::GetFrameCount() == 0;; measuring = false) {
        ImGui::NewFrame();
        thumbnailRects = {};
        framePanel(inputs, request);
        passesPanel(inputs);
        keysPanel(inputs);
        targetsPanel(inputs, request);
        shadersPanel(inputs);
        if (!measuring)
            break;
        ImGui::EndFrame();
        request = OverlayRequest{};
    }
    ImGui::Render();
    glViewport(0, 0, inputs.outputWidth, inputs.outputHeight);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    return request;
}

void Overlay::framePanel(const OverlayInputs& inputs, OverlayRequest& request)
{
    placeNext(kMargin, kMargin, kLeftWidth, 172.0f);
    if (ImGui::Begin("Frame", nullptr, kPanelFlags)) {
        const FrameHistory& history = *inputs.frames;
        const FrameHistory::Figures figures = history.figures();
        char caption[64];
        std::snprintf(caption, sizeof caption, "%d frames", history.count);
        // From 0 to half again the 95th percentile, so a steady rate draws a steady line mid-graph.
        ImGui::PlotLines("##frame times", history.ms.data(), history.count, history.oldest(), caption, 0.0f,
                         float(std::max(1.0, figures.p95 * 1.5)),
                         ImVec2(ImGui::GetContentRegionAvail().x, 40.0f));
        ImGui::Text("median %.1f ms  95%% %.1f ms  %.1f fps", figures.median, figures.p95, figures.fps);
        ImGui::Text("scene %.2f s, %s", inputs.sceneTime, inputs.held ? "held" : "running");
        if (ImGui::Button(inputs.held ? "Run (P)" : "Hold (P)"))
            request.togglePause = true;
        ImGui::SameLine();
        if (!inputs.held)
            ImGui::BeginDisabled();
        if (ImGui::Button("Step (.)"))
            request.step = true;
        if (!inputs.held)
            ImGui::EndDisabled();
        ImGui::Text("output %d x %d", inputs.outputWidth, inputs.outputHeight);
        ImGui::TextWrapped("%s", renderer.c_str());
    }
    ImGui::End();
}

void Overlay::passesPanel(const OverlayInputs& inputs)
{
    placeNext(kMargin, 188.0f, kLeftWidth, 244.0f);
    if (ImGui::Begin("Passes", nullptr, kPanelFlags)) {
        ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, 3.0f));
        const PassTimer::LiveCosts* costs = inputs.passes;
        if (!costs) {
            ImGui::TextWrapped("This GL context has no timer queries.");
        } else if (costs->frames == 0) {
            ImGui::TextUnformatted("measuring...");
        } else {
            double sum = 0.0, largest = 0.0;
            for (FrameStep step : kPassSteps) {
                sum += costs->gpuMs[std::size_t(step)];
                largest = std::max(largest, costs->gpuMs[std::size_t(step)]);
            }
            char figure[32];
            for (FrameStep step : kPassSteps) {
                const double ms = costs->gpuMs[std::size_t(step)];
                std::snprintf(figure, sizeof figure, "%.2f ms", ms);
                ImGui::TextUnformatted(frameStepName(step));
                ImGui::SameLine(112.0f);
                ImGui::ProgressBar(largest > 0.0 ? float(ms / largest) : 0.0f, ImVec2(-1.0f, ImGui::GetTextLineHeight()),
                                   figure);
            }
            ImGui::Separator();
            ImGui::Text("passes %.2f ms of a %.2f ms frame", sum, costs->frameMs);
            ImGui::TextColored(kDimColour, "GPU, mean of %ld frames", costs->frames);
        }
        ImGui::PopStyleVar();
    }
    ImGui::End();
}

void Overlay::targetsPanel(const OverlayInputs& inputs, OverlayRequest& request)
{
    const float panelWidth = ViewThumbnails::kColumns * (kThumbnailWidth + 8.0f) + 16.0f;
    placeNext(float(inputs.outputWidth) - panelWidth - kMargin, kMargin, panelWidth, 232.0f);
    if (ImGui::Begin("Targets", nullptr, kPanelFlags)) {
        if (ImGui::Selectable("final (F1)", inputs.view == View::Final))
            request.view = int(View::Final);
        const ViewThumbnails* thumbnails = inputs.thumbnails;
        if (!thumbnails || thumbnails->texture == 0) {
            ImGui::TextWrapped("shaders/debugView.frag has not built: no thumbnails");
        } else {
            const float w = float(thumbnails->textureWidth()), h = float(thumbnails->textureHeight());
            const float shownHeight = kThumbnailWidth * float(thumbnails->cellHeight) / ViewThumbnails::kCellWidth;
            for (int view = int(View::Scene); view < kViewCount; ++view) {
                int x = 0, y = 0;
                ViewThumbnails::cell(View(view), thumbnails->cellHeight, x, y);
                // Texture rows run bottom up, ImGui's top down.
                const ImVec2 uv0(float(x) / w, float(y + thumbnails->cellHeight) / h);
                const ImVec2 uv1(float(x + ViewThumbnails::kCellWidth) / w, float(y) / h);
                if ((view - int(View::Scene)) % ViewThumbnails::kColumns != 0)
                    ImGui::SameLine();
                ImGui::BeginGroup();
                ImGui::PushID(view);
                const bool selected = inputs.view == View(view);
                ImGui::PushStyleColor(ImGuiCol_Button, selected ? ImVec4(0.9f, 0.7f, 0.2f, 1.0f)
                                                                : ImGui::GetStyleColorVec4(ImGuiCol_Button));
                const ImVec2 topLeft = ImGui::GetCursorScreenPos();
                if (ImGui::ImageButton(reinterpret_cast<ImTextureID>(std::uintptr_t(thumbnails->texture)),
                                       ImVec2(kThumbnailWidth, shownHeight), uv0, uv1, 2))
                    request.view = view;
                ImGui::PopStyleColor();
                thumbnailRects[std::size_t(view)] = {topLeft.x, topLeft.y, kThumbnailWidth + 4.0f, shownHeight + 4.0f};
                ImGui::Text("%s (F%d)", viewName(View(view)), view + 1);
                ImGui::PopID();
                ImGui::EndGroup();
            }
        }
    }
    ImGui::End();
}

void Overlay::shadersPanel(const OverlayInputs& inputs)
{
    const float panelWidth = ViewThumbnails::kColumns * (kThumbnailWidth + 8.0f) + 16.0f;
    const float top = 240.0f;
    placeNext(float(inputs.outputWidth) - panelWidth - kMargin, top, panelWidth,
              std::max(120.0f, float(inputs.outputHeight) - top - kMargin));
    // A failure not seen yet brings the panel forward at its program.
    const int count = std::min(inputs.programCount, int(seenFailures.size()));
    for (int i = 0; i < count && !measuring; ++i) {
        const ShaderProgram* program = inputs.programs[i];
        if (program && program->failureCount != seenFailures[std::size_t(i)]) {
            seenFailures[std::size_t(i)] = program->failureCount;
            if (program->state() == ShaderProgramState::Failed) {
                focusProgram = i;
                ImGui::SetNextWindowFocus();
                ImGui::SetNextWindowCollapsed(false);
            }
        }
    }
    if (ImGui::Begin("Shaders", nullptr, kPanelFlags)) {
        ImGui::TextColored(kDimColour, "hot-reloaded programs, by their files");
        for (int i = 0; i < count; ++i) {
            const ShaderProgram* program = inputs.programs[i];
            if (!program)
                continue;
            // A program's files never change, so its label is made once, not every frame.
            if (labelled[std::size_t(i)] != program) {
                labelled[std::size_t(i)] = program;
                labels[std::size_t(i)] = program->label();
            }
            programEntry(*program, labels[std::size_t(i)], i == focusProgram);
        }
        focusProgram = -1;
    }
    ImGui::End();
}

void Overlay::programEntry(const ShaderProgram& program, const std::string& label, bool focus)
{
    const ShaderProgramState state = program.state();
    ImGui::PushID(label.c_str());
    if (state == ShaderProgramState::NeverBuilt) {
        ImGui::TextColored(kDimColour, "never built  %s", label.c_str());
    } else if (state == ShaderProgramState::Built) {
        ImGui::TextUnformatted("built        ");
        ImGui::SameLine(0.0f, 0.0f);
        ImGui::TextUnformatted(label.c_str());
        if (program.worksAgain()) {
            ImGui::SameLine();
            ImGui::TextColored(kFixedColour, "works again");
        }
    } else {
        const ShaderFailure& failure = program.lastFailure;
        if (focus) {
            ImGui::SetNextItemOpen(true);
            ImGui::SetScrollHereY(0.0f);
        }
        const int secondsAgo = int(std::max(0.0, program.clock() - failure.time));
        ImGui::PushStyleColor(ImGuiCol_Text, kFailedColour);
        const bool open = ImGui::TreeNodeEx("failure", ImGuiTreeNodeFlags_DefaultOpen, "failed %s %d s ago  %s",
                                            failure.attempt.c_str(), secondsAgo, label.c_str());
        ImGui::PopStyleColor();
        if (open) {
            failureDetails(failure);
            ImGui::TreePop();
        }
    }
    ImGui::PopID();
}

void Overlay::failureDetails(const ShaderFailure& failure)
{
    ImGui::TextWrapped("%s", failure.step.c_str());
    const char* file = failure.path.empty() ? "link" : failure.path.c_str();
    for (const ShaderLogEntry& entry : failure.parsed.entries) {
        const SourcePosition at = failure.source.empty() ? SourcePosition{} : locateInSource(failure.source, entry);
        ImGui::PushStyleColor(ImGuiCol_Text, entry.severity == "error" ? kFailedColour : kWarningColour);
        if (entry.column >= 0)
            ImGui::TextWrapped("%s:%d:%d: %s: %s", file, entry.line, entry.column, entry.severity.c_str(),
                               entry.message.c_str());
        else
            ImGui::TextWrapped("%s:%d: %s: %s", file, entry.line, entry.severity.c_str(), entry.message.c_str());
        ImGui::PopStyleColor();
        if (at.line <= 0)
            continue;
        const SourceExcerpt excerpt = sourceExcerpt(failure.source, at.line, 2, at.offset);
        for (const ExcerptLine& line : excerpt.lines) {
            const bool marked = line.number == excerpt.markedLine;
            ImGui::TextColored(marked ? ImGui::GetStyleColorVec4(ImGuiCol_Text) : kDimColour, "%5d | %s",
                               line.number, line.text.c_str());
            if (marked && excerpt.markOffset >= 0)
                ImGui::TextColored(kFailedColour, "%5s | %*s^", "", excerpt.markOffset, "");
        }
    }
    // The driver's own words where none of its lines could be placed, and what else it said.
    if (failure.parsed.entries.empty() && !failure.log.empty()) {
        ImGui::TextColored(kDimColour, "the driver's log:");
        ImGui::TextUnformatted(failure.log.c_str());
    } else if (!failure.parsed.unparsed.empty()) {
        ImGui::TextColored(kDimColour, "more of the driver's log:");
        for (const std::string& line : failure.parsed.unparsed)
            ImGui::TextUnformatted(line.c_str());
    }
}

void Overlay::keysPanel(const OverlayInputs& inputs)
{
    const float top = 440.0f;
    placeNext(kMargin, top, kLeftWidth, std::max(120.0f, float(inputs.outputHeight) - top - kMargin));
    if (ImGui::Begin("Keys", nullptr, kPanelFlags)) {
        ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, 2.0f));
        const bool flying = !inputs.scripted;
        const auto row = [](const char* keys, const char* effect, bool active) {
            ImGui::TextColored(active ? ImGui::GetStyleColorVec4(ImGuiCol_Text) : kDimColour, "%-11s %s", keys,
                               effect);
        };
        row("Tab", "hide this overlay", true);
        row("Escape", "quit", true);
        row(flying ? "3" : "4", flying ? "scripted camera (now flying)" : "free flight (now scripted)", true);
        row("W/S A/D E/Q", "pitch, yaw, roll", flying);
        row("M/N", "forward / back", flying);
        row("Right/Left", "right / left", flying);
        row("Up", "turn towards +X", flying);
        row("Down", "advance the scripted orbit", flying);
        row(inputs.recording ? "2" : "1", inputs.recording ? "stop recording (recording)" : "record the camera's path",
            true);
        row("P", inputs.held ? "let the scene run on (held)" : "hold the scene (running)", true);
        row(".", "step the held scene 1/60 s", inputs.held);
        char effect[64];
        std::snprintf(effect, sizeof effect, "views (now F%d, %s)", int(inputs.view) + 1, viewName(inputs.view));
        row("F1-F8", effect, true);
        row("T", inputs.timing ? "pass table (measuring)" : "pass table of 120 frames", !inputs.timing);
        ImGui::PopStyleVar();
    }
    ImGui::End();
}
