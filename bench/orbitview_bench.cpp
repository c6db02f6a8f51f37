// The frame benchmark: runs orbitview's own start-up and frame chain (Application, through the
// frame loop) in a window, or headless into an offscreen output, of the given size and prints
// where the time goes: start-up steps, GPU and CPU time per step of
// the frame, heap allocations, peak memory, a bare clear-and-swap loop, and each screen-space
// draw against its fetch-bound reference. Writes the last timed frame as a PNG and every figure
// as JSON where the command line asks, each whole or not at all (exit status 1 when one cannot be
// written). Reads shaders/ and models/ like the program.
#include "app/application.h"
#include "app/frame_capture.h"
#include "app/frame_loop.h"
#include "app/headless_context.h"
#include "bench/frame/draw_timer.h"
#include "bench/frame/fetch_reference.h"
#include "bench/frame/heap_counter.h"
#include "bench/frame/json.h"
#include "bench/frame/options.h"
#include "bench/frame/step_probe.h"
#include "resources/gpu_intervals.h"
#include "resources/safe_write.h"
#include "resources/stats.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kParticleFillSteps = 200;
constexpr int kParticleTimedSteps = 500;
constexpr double kRealTimeFallbackDt = 1.0 / 60.0;
constexpr const char* kStartUpNames[] = {"window and context", "shader programs", "render targets",
                                         "sky box", "meshes", "lights and particles"};
static_assert(sizeof(kStartUpNames) / sizeof(kStartUpNames[0]) == kStartUpStepCount - 1,
              "one name per start-up step after Begin");

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct StepSamples {
    std::vector<double> gpu, wall, own, driver;
};

struct Figures {
    std::array<double, kStartUpStepCount - 1> startUpMs{};
    double firstFrameMs = 0.0;
    double toFirstFrameMs = 0.0;

    std::array<StepSamples, kFrameStepCount> steps;
    std::array<int, kFrameStepCount> drawsPerStep{};
    std::vector<double> frameWall, swapAndPoll, frameOwn, frameDriver, probeOverhead, frameGpu;
    std::vector<double> heapPerFrame;
    int lateResults = 0;

    // Per fetch-table entry, from the per-draw run: the pass's draw and its reference.
    std::vector<std::vector<double>> drawMs, referenceMs;
    std::vector<double> bareFrame;
    std::vector<double> particleSimulation;
    int particlesAlive = 0;
    double peakResidentMiB = 0.0;
};

// The one frame loop, run in parts: frames count on from the first frame, so a fixed step's clock
// goes on from run to run.
void runFirstFrame(Application& app, FrameLoop& loop, const StartUpStamps& stamps, Clock::time_point processStart,
                   Figures& figures)
{
    loop.start(app);
    loop.frames = 1;
    loop.run(app);
    glFinish();
    const Clock::time_point end = Clock::now();

    for (std::size_t step = 1; step < kStartUpStepCount; ++step)
        figures.startUpMs[step - 1] = milliseconds(stamps.at[step] - stamps.at[step - 1]);
    figures.firstFrameMs = milliseconds(end - stamps.at[kStartUpStepCount - 1]);
    figures.toFirstFrameMs = milliseconds(end - processStart);
}

// Frames 1 .. frames - 1 with the probe timing each step; the last is saved as the PNG. False
// when the PNG could not be written (one line on stderr).
bool runTimedFrames(Application& app, FrameLoop& loop, const BenchOptions& options, bool gpuTiming,
                    Figures& figures)
{
    const std::size_t measured = std::size_t(options.frames - options.warmup);
    for (StepSamples& step : figures.steps)
        for (std::vector<double>* samples : {&step.gpu, &step.wall, &step.own, &step.driver})
            samples->reserve(measured);
    for (std::vector<double>* samples : {&figures.frameWall, &figures.swapAndPoll, &figures.frameOwn,
                                         &figures.frameDriver, &figures.probeOverhead, &figures.heapPerFrame})
        samples->reserve(measured);
    std::vector<double> gpuPerFrame(std::size_t(options.frames), 0.0);

    GpuIntervals gpu([&](long frame, int label, double ms) {
        gpuPerFrame[std::size_t(frame)] += ms;
        if (frame >= options.warmup)
            figures.steps[std::size_t(label)].gpu.push_back(ms);
    });
    StepProbe probe(gpuTiming ? &gpu : nullptr, nullptr);

    uint64_t allocationsBefore = 0, captureAllocations = 0;
    bool pngWritten = true;
    Clock::time_point start, drawn;
    Clock::duration captureTime{};
    loop.probe = &probe;
    loop.frames = options.frames - 1;
    loop.beforeFrame = [&](long frame) {
        if (gpuTiming)
            gpu.beginFrame(frame);
        allocationsBefore = heapAllocations();
        start = Clock::now();
    };
    // The capture's time and allocations are the benchmark's, not the frame's.
    loop.beforePresent = [&](long frame) {
        captureTime = {};
        captureAllocations = 0;
        if (frame + 1 == options.frames && !options.pngPath.empty()) {
            const Clock::time_point captureStart = Clock::now();
            const uint64_t allocationsBeforeCapture = heapAllocations();
            const RenderTargets& targets = app.renderer.resources.targets;
            pngWritten = writeOutputPng(options.pngPath, *app.surface, targets.width, targets.height,
                                        "orbitview_bench");
            captureAllocations = heapAllocations() - allocationsBeforeCapture;
            captureTime = Clock::now() - captureStart;
        }
        drawn = Clock::now();
    };
    loop.afterPresent = [&](long frame) {
        const Clock::time_point end = Clock::now();
        const uint64_t allocations = heapAllocations() - allocationsBefore - captureAllocations;
        if (frame < options.warmup)
            return;

        double stepsWall = 0.0, own = 0.0, driver = 0.0;
        for (std::size_t step = 0; step < kFrameStepCount; ++step) {
            StepSamples& samples = figures.steps[step];
            samples.wall.push_back(probe.wallMs[step]);
            samples.driver.push_back(probe.driverMs[step]);
            samples.own.push_back(probe.wallMs[step] - probe.driverMs[step]);
            stepsWall += probe.wallMs[step];
            own += probe.wallMs[step] - probe.driverMs[step];
            driver += probe.driverMs[step];
        }
        const double frameMs = milliseconds(end - start - captureTime);
        figures.frameWall.push_back(frameMs);
        figures.swapAndPoll.push_back(milliseconds(end - drawn));
        figures.frameOwn.push_back(own);
        figures.frameDriver.push_back(driver);
        figures.probeOverhead.push_back(milliseconds(drawn - start - captureTime) - stepsWall);
        figures.heapPerFrame.push_back(double(allocations));
    };
    loop.run(app);
    loop.beforeFrame = loop.beforePresent = loop.afterPresent = nullptr;
    loop.probe = nullptr;
    if (gpuTiming)
        gpu.finish(options.frames);
    figures.drawsPerStep = probe.draws;
    figures.lateResults = gpu.lateResults;
    for (long frame = options.warmup; frame < options.frames; ++frame)
        if (frame > 0 && gpuTiming)
            figures.frameGpu.push_back(gpuPerFrame[std::size_t(frame)]);
    return pngWritten;
}

// Further frames in which every full-screen draw and its fetch reference are GPU-timed in
// place (DrawTimer); the clock goes on from the timed run. The first frame compiles the
// references and is left out.
void runPerDrawFrames(Application& app, FrameLoop& loop, const BenchOptions& options, Figures& figures)
{
    std::ifstream vertexFile("shaders/quadShader.vert");
    std::stringstream vertexSource;
    vertexSource << vertexFile.rdbuf();
    FetchReferences references;
    references.build(vertexSource.str());

    DrawTimer timer(app.renderer, references, 1);
    StepProbe probe(nullptr, &timer);
    const long first = loop.framesRun;
    loop.probe = &probe;
    loop.frames = options.drawFrames + 1;
    loop.beforeFrame = [&](long frame) { timer.beginFrame(frame - first); };
    loop.run(app);
    loop.beforeFrame = nullptr;
    loop.probe = nullptr;
    timer.finish(options.drawFrames + 1);
    figures.drawMs = timer.passMs;
    figures.referenceMs = timer.referenceMs;
}

void runBareLoop(Application& app, const BenchOptions& options, Figures& figures)
{
    app.renderer.resources.bindOutput();
    glViewport(0, 0, app.camera.viewportWidth, app.camera.viewportHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int frame = 0; frame < options.frames; ++frame) {
        const Clock::time_point start = Clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        app.surface->present();
        if (frame >= options.warmup)
            figures.bareFrame.push_back(milliseconds(Clock::now() - start));
    }
}

// The particle simulation alone, on a pool of its own (no GL objects) kept full by the spawner.
void timeParticleSimulation(const BenchOptions& options, Figures& figures)
{
    const double dt = options.fixedDt > 0.0 ? options.fixedDt : kRealTimeFallbackDt;
    ParticleSystem particles;
    particles.emitterDirection = glm::vec3(0.0f, 1.0f, 0.0f);
    for (int step = 0; step < kParticleFillSteps; ++step)
        particles.simulate(dt);
    for (int step = 0; step < kParticleTimedSteps; ++step) {
        const Clock::time_point start = Clock::now();
        particles.simulate(dt);
        figures.particleSimulation.push_back(milliseconds(Clock::now() - start));
    }
    figures.particlesAlive = 0;
    for (const Particle& particle : particles.particles)
        figures.particlesAlive += particle.life > 0.0f ? 1 : 0;
}

double median(const std::vector<std::vector<double>>& perEntry, std::size_t entry)
{
    return entry < perEntry.size() ? summarize(perEntry[entry]).median : NAN;
}

// The program's own work in a typical frame: the sum of every step's median. Robust to the time
// slices the main thread loses to the rasterizer threads on two cores, which land in a
// different step each frame and so inflate the median of per-frame sums.
double ownWorkOfTypicalFrame(const Figures& figures)
{
    double sum = 0.0;
    for (const StepSamples& step : figures.steps)
        sum += step.own.empty() ? 0.0 : summarize(step.own).median;
    return sum;
}

// A screen-space step's GPU median from the timed run against the sum of its draws'
// references; NaN where the frame drew a different number of draws than the table lists.
struct PassComparison {
    FrameStep step;
    double gpuMs, referenceMs;
};

std::vector<PassComparison> comparePasses(const Figures& figures)
{
    std::vector<PassComparison> passes;
    const std::vector<ScreenDraw>& table = screenDraws();
    for (std::size_t entry = 0; entry < table.size(); ++entry) {
        const FrameStep step = table[entry].step;
        if (!passes.empty() && passes.back().step == step)
            continue;
        double reference = 0.0;
        for (std::size_t other = entry; other < table.size() && table[other].step == step; ++other)
            reference += median(figures.referenceMs, other);
        if (screenDrawsListed(step) != figures.drawsPerStep[std::size_t(step)])
            reference = NAN;
        passes.push_back({step, summarize(figures.steps[std::size_t(step)].gpu).median, reference});
    }
    return passes;
}

// The overlay's step runs only with --overlay; without it the tables stay as they were.
bool shownStep(const BenchOptions& options, std::size_t step)
{
    return options.overlay || FrameStep(step) != FrameStep::Overlay;
}

void printReport(const BenchOptions& options, const Figures& figures)
{
    std::printf("\norbitview frame benchmark: %dx%d, %d frames (first %d left out), ", options.width, options.height,
                options.frames, options.warmup);
    if (options.fixedDt > 0.0)
        std::printf("fixed dt %g s\n", options.fixedDt);
    else
        std::printf("wall-clock dt\n");
    std::printf("GL: %s | %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    std::printf("\nStart-up                                   ms\n");
    for (std::size_t step = 0; step + 1 < kStartUpStepCount; ++step)
        std::printf("  %-34s %9.1f\n", kStartUpNames[step], figures.startUpMs[step]);
    std::printf("  %-34s %9.1f\n", "first frame (swap, finish)", figures.firstFrameMs);
    std::printf("  %-34s %9.1f\n", "process start to first frame", figures.toFirstFrameMs);

    std::printf("\nPer step (ms)                        GPU med   GPU p95  wall med  own med   own p95  drv med  draws\n");
    for (std::size_t step = 0; step < kFrameStepCount; ++step) {
        if (!shownStep(options, step))
            continue;
        const StepSamples& samples = figures.steps[step];
        const Summary gpu = summarize(samples.gpu), wall = summarize(samples.wall), own = summarize(samples.own),
                      driver = summarize(samples.driver);
        std::printf("  %-34s %8.3f %9.3f %9.3f %8.3f %9.3f %8.3f %5d\n", frameStepName(FrameStep(step)), gpu.median,
                    gpu.p95, wall.median, own.median, own.p95, driver.median, figures.drawsPerStep[step]);
    }

    std::printf("\nPer frame (ms)                        median       p95\n");
    const Summary wall = summarize(figures.frameWall);
    const auto row = [](const char* name, const Summary& summary) {
        std::printf("  %-34s %9.3f %9.3f\n", name, summary.median, summary.p95);
    };
    row("wall: frame + swap + poll", wall);
    std::printf("  %-34s %9.1f\n", "frames per second (median)", 1000.0 / wall.median);
    row("  of which swap + poll", summarize(figures.swapAndPoll));
    row("  of which the probe's own flushes", summarize(figures.probeOverhead));
    row("GPU: sum of the steps", summarize(figures.frameGpu));
    row("own CPU work (steps minus driver)", summarize(figures.frameOwn));
    std::printf("  %-34s %9.3f\n", "  sum of the steps' medians", ownWorkOfTypicalFrame(figures));
    row("main thread in driver calls", summarize(figures.frameDriver));
    row("particle simulation, full pool", summarize(figures.particleSimulation));
    std::printf("  (pool: %d of %d particles alive)\n", figures.particlesAlive, ParticleSystem::kPoolSize);

    const Summary heap = summarize(figures.heapPerFrame);
    std::printf("\nHeap allocations per frame: mean %.2f, median %.0f, max %.0f\n", heap.mean, heap.median, heap.max);
    std::printf("Peak resident memory: %.1f MiB\n", figures.peakResidentMiB);
    const Summary bare = summarize(figures.bareFrame);
    std::printf("Bare clear-and-swap: median %.3f ms, p95 %.3f ms; frame / bare = %.1f\n", bare.median, bare.p95,
                wall.median / bare.median);
    if (figures.lateResults > 0)
        std::printf("GPU timer results read before they were ready: %d\n", figures.lateResults);

    std::printf("\nScreen-space draws (GPU ms, per-draw run of %d frames)  fetches/px   draw med  reference   ratio\n",
                options.drawFrames);
    const std::vector<ScreenDraw>& table = screenDraws();
    for (std::size_t entry = 0; entry < table.size(); ++entry) {
        const ScreenDraw& draw = table[entry];
        const double pass = median(figures.drawMs, entry), reference = median(figures.referenceMs, entry);
        std::printf("  %-14s %-20s %12d%s %9.3f %9.3f %7.2f\n", frameStepName(draw.step), draw.name,
                    fetchesPerPixel(draw), draw.onlyWhereDrawn ? "*" : " ", pass, reference, pass / reference);
    }
    std::printf("  (* where a mesh was drawn; one fetch elsewhere)\n");
    std::printf("\nScreen-space passes (GPU ms, timed run)        pass med  reference   ratio\n");
    for (const PassComparison& pass : comparePasses(figures)) {
        std::printf("  %-44s %9.3f %9.3f %7.2f\n", frameStepName(pass.step), pass.gpuMs, pass.referenceMs,
                    pass.gpuMs / pass.referenceMs);
        const int drawn = figures.drawsPerStep[std::size_t(pass.step)];
        if (screenDrawsListed(pass.step) != drawn)
            std::printf("  note: the %s step drew %d times; the fetch table lists %d draws\n", frameStepName(pass.step),
                        drawn, screenDrawsListed(pass.step));
    }
}

void summaryJson(JsonWriter& json, const char* key, const Summary& summary)
{
    json.beginObject(key)
        .number("median", summary.median)
        .number("p95", summary.p95)
        .number("mean", summary.mean)
        .number("max", summary.max)
        .number("count", double(summary.count))
        .endObject();
}

bool writeJson(const std::string& path, const BenchOptions& options, const Figures& figures)
{
    JsonWriter json;
    json.beginObject()
        .number("width", options.width)
        .number("height", options.height)
        .number("frames", options.frames)
        .number("warmup", options.warmup)
        .number("fixed_dt", options.fixedDt)
        .string("gl_renderer", reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
        .string("gl_version", reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    json.beginObject("startup_ms");
    for (std::size_t step = 0; step + 1 < kStartUpStepCount; ++step)
        json.number(kStartUpNames[step], figures.startUpMs[step]);
    json.number("first frame", figures.firstFrameMs).number("process start to first frame", figures.toFirstFrameMs);
    json.endObject();

    json.beginArray("steps");
    for (std::size_t step = 0; step < kFrameStepCount; ++step) {
        if (!shownStep(options, step))
            continue;
        const StepSamples& samples = figures.steps[step];
        json.beginObject().string("name", frameStepName(FrameStep(step)));
        summaryJson(json, "gpu_ms", summarize(samples.gpu));
        summaryJson(json, "wall_ms", summarize(samples.wall));
        summaryJson(json, "own_cpu_ms", summarize(samples.own));
        summaryJson(json, "driver_ms", summarize(samples.driver));
        json.number("draws", figures.drawsPerStep[step]).endObject();
    }
    json.endArray();

    json.beginObject("frame");
    const Summary wall = summarize(figures.frameWall);
    summaryJson(json, "wall_ms", wall);
    json.number("fps_median", 1000.0 / wall.median);
    summaryJson(json, "swap_and_poll_ms", summarize(figures.swapAndPoll));
    summaryJson(json, "probe_overhead_ms", summarize(figures.probeOverhead));
    summaryJson(json, "gpu_ms", summarize(figures.frameGpu));
    summaryJson(json, "own_cpu_ms", summarize(figures.frameOwn));
    json.number("own_cpu_sum_of_step_medians_ms", ownWorkOfTypicalFrame(figures));
    summaryJson(json, "driver_ms", summarize(figures.frameDriver));
    summaryJson(json, "heap_allocations", summarize(figures.heapPerFrame));
    json.endObject();

    summaryJson(json, "particle_simulation_ms", summarize(figures.particleSimulation));
    json.number("particles_alive", figures.particlesAlive);
    json.number("peak_resident_mib", figures.peakResidentMiB);
    const Summary bare = summarize(figures.bareFrame);
    summaryJson(json, "bare_clear_swap_ms", bare);
    json.number("frame_to_bare_ratio", wall.median / bare.median);
    json.number("late_gpu_results", figures.lateResults);

    json.beginArray("screen_draws");
    const std::vector<ScreenDraw>& table = screenDraws();
    for (std::size_t entry = 0; entry < table.size(); ++entry) {
        const ScreenDraw& draw = table[entry];
        const double pass = median(figures.drawMs, entry), reference = median(figures.referenceMs, entry);
        json.beginObject()
            .string("step", frameStepName(draw.step))
            .string("name", draw.name)
            .number("fetches_per_pixel", fetchesPerPixel(draw))
            .number("only_where_drawn", draw.onlyWhereDrawn ? 1 : 0)
            .number("gpu_ms_median", pass)
            .number("reference_ms_median", reference)
            .number("ratio", pass / reference)
            .endObject();
    }
    json.endArray();
    json.beginArray("screen_passes");
    for (const PassComparison& pass : comparePasses(figures))
        json.beginObject()
            .string("step", frameStepName(pass.step))
            .number("gpu_ms_median", pass.gpuMs)
            .number("reference_ms", pass.referenceMs)
            .number("ratio", pass.gpuMs / pass.referenceMs)
            .endObject();
    json.endArray();
    json.endObject();

    std::string reason;
    if (!writeFileSafely(path, json.str() + "\n", reason)) {
        std::fprintf(stderr, "orbitview_bench: cannot write %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const Clock::time_point processStart = Clock::now();
    BenchOptions options;
    std::string error;
    if (!parseBenchOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "orbitview_bench: %s\n", error.c_str());
        std::fprintf(stderr,
                     "usage: orbitview_bench [--frames N] [--warmup N] [--draw-frames N] [--size WxH] "
                     "[--fixed-dt SECONDS] [--png PATH] [--json PATH] [--headless [--gpu N|list]] [--overlay]\n");
        return 2;
    }

    if (options.listGpus)
        return printEglDevices();
    StartUpStamps stamps;
    const SurfaceKind kind = options.headless ? SurfaceKind::Offscreen : SurfaceKind::Window;
    Application app(SurfaceRequest{kind, options.width, options.height, options.gpu}, &stamps);
    if (!app.ready())
        return 1;
    if (options.overlay)
        app.workbench.toggleOverlay();
    const bool gpuTiming = GLEW_VERSION_3_3 || GLEW_ARB_timer_query;
    if (!gpuTiming)
        std::fprintf(stderr, "orbitview_bench: no timer queries (GL_ARB_timer_query); GPU figures stay empty\n");

    Figures figures;
    FrameLoop loop;
    loop.fixedDt = options.fixedDt;
    runFirstFrame(app, loop, stamps, processStart, figures);
    bool written = runTimedFrames(app, loop, options, gpuTiming, figures);
    if (gpuTiming && options.drawFrames > 0)
        runPerDrawFrames(app, loop, options, figures);
    runBareLoop(app, options, figures);
    timeParticleSimulation(options, figures);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakResidentMiB = double(usage.ru_maxrss) / 1024.0;

    printReport(options, figures);
    // The table comes before any line about the JSON file, also where both go to one file.
    std::fflush(stdout);
    if (!options.jsonPath.empty())
        written = writeJson(options.jsonPath, options, figures) && written;
    return written ? 0 : 1;
}
