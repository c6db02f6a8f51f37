// The headless run: command-line parsing, the frame loop on the scene clock, captures.
#include "app/headless_run.h"

#include "app/application.h"
#include "app/command_line.h"
#include "app/frame_capture.h"
#include "app/frame_loop.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr double kDefaultSeconds = 20.0;

bool parseSeconds(const std::string& text, double& seconds)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0.0)
        return false;
    seconds = value;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool makeDirectory(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode);
    return mkdir(path.c_str(), 0777) == 0;
}

}  // namespace

bool parseViewName(const std::string& name, View& view)
{
    std::string spaced = name;
    for (char& c : spaced)
        if (c == '-')
            c = ' ';
    for (int i = 0; i < kViewCount; ++i)
        if (spaced == viewName(View(i))) {
            view = View(i);
            return true;
        }
    return false;
}

std::string captureFileName(View view, const std::string& label)
{
    std::string name = viewName(view);
    for (char& c : name)
        if (c == ' ')
            c = '-';
    return name + "-" + label + "s.png";
}

bool parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error)
{
    std::vector<std::string> sizes;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name.rfind("--", 0) != 0) {
            sizes.push_back(name);
            continue;
        }
        if (name == "--overlay") {
            options.overlay = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = name + " wants a value";
            return false;
        }
        const std::string& value = args[++i];
        if (name == "--gpu") {
            if (!parseGpu(value, options.gpu, options.listGpus, error))
                return false;
        } else if (name == "--seconds") {
            if (!parseSeconds(value, options.seconds) || options.seconds <= 0.0) {
                error = "--seconds wants scene seconds above 0, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--frames") {
            if (!parseCount(name, value, 1, options.frames, error))
                return false;
        } else if (name == "--fixed-dt") {
            if (!parseFixedDt(value, options.fixedDt, error))
                return false;
        } else if (name == "--capture") {
            options.captures.clear();
            options.captureLabels.clear();
            for (const std::string& label : splitCommas(value)) {
                double time = 0.0;
                if (!parseSeconds(label, time) || (!options.captures.empty() && time <= options.captures.back())) {
                    error = "--capture wants ascending scene times in seconds, e.g. 5,17, not \"" + value + "\"";
                    return false;
                }
                options.captures.push_back(time);
                options.captureLabels.push_back(label);
            }
        } else if (name == "--out") {
            options.outDir = value;
        } else if (name == "--view") {
            options.views.clear();
            for (const std::string& viewText : splitCommas(value)) {
                View view = View::Final;
                if (!parseViewName(viewText, view)) {
                    error = "--view wants final, scene, normals, focus, depth, occlusion, lens-flare or "
                            "depth-of-field (or several, with commas), not \"" + viewText + "\"";
                    return false;
                }
                options.views.push_back(view);
            }
            // The final image first: the other views draw over it.
            std::sort(options.views.begin(), options.views.end());
            options.views.erase(std::unique(options.views.begin(), options.views.end()), options.views.end());
        } else {
            error = "unknown argument: " + name;
            return false;
        }
    }
    if (options.listGpus && sizes.empty())
        return true;
    if (sizes.size() != 2 || !parseOutputSize(sizes[0], options.width) || !parseOutputSize(sizes[1], options.height)) {
        error = "--headless wants a width and a height from 1 to " + std::to_string(kMaxOutputSize);
        return false;
    }
    if (options.frames > 0 && options.seconds > 0.0) {
        error = "--seconds and --frames both say when to stop; give one";
        return false;
    }
    if (options.frames == 0 && options.seconds == 0.0)
        options.seconds = options.captures.empty() ? kDefaultSeconds : options.captures.back();
    return true;
}

bool makeCaptureFolder(const HeadlessOptions& options)
{
    if (options.captures.empty() || makeDirectory(options.outDir))
        return true;
    std::fprintf(stderr, "orbitview: cannot make the folder %s for the captures\n", options.outDir.c_str());
    return false;
}

int runHeadless(Application& app, const HeadlessOptions& options)
{
    std::size_t nextCapture = 0;
    int failures = 0;
    FrameLoop loop;
    loop.fixedDt = options.fixedDt;
    loop.frames = options.frames;
    loop.sceneSeconds = options.frames > 0 ? 0.0 : options.seconds;
    if (options.overlay)
        app.workbench.toggleOverlay();
    // The scene's own clock: the steps the frames handed on (each at most 1 s), so a slow frame on
    // the wall clock reaches a capture time only when the scene does.
    loop.beforePresent = [&](long) {
        const double sceneTime = app.workbench.sceneClock.sceneTime();
        for (; nextCapture < options.captures.size() && sceneTime >= options.captures[nextCapture] - kSceneTimeSlack;
             ++nextCapture) {
            for (const View view : options.views) {
                if (app.drawView(view) != view) {
                    std::fprintf(stderr, "orbitview: the %s view cannot be shown (shaders/debugView.frag did not "
                                         "build); no capture of it\n", viewName(view));
                    ++failures;
                    continue;
                }
                if (view != View::Final)
                    app.drawOverlay(0.0);
                const std::string path =
                    options.outDir + "/" + captureFileName(view, options.captureLabels[nextCapture]);
                if (writeOutputPng(path, *app.surface, app.renderer.resources.targets.width,
                                   app.renderer.resources.targets.height, "orbitview"))
                    std::printf("Captured %s at %.3f s\n", path.c_str(), sceneTime);
                else
                    ++failures;
            }
        }
    };
    loop.start(app);
    loop.run(app);
    for (; nextCapture < options.captures.size(); ++nextCapture) {
        std::fprintf(stderr, "orbitview: the run ended before scene time %s s; no capture then\n",
                     options.captureLabels[nextCapture].c_str());
        ++failures;
    }
    return failures > 0 ? 1 : 0;
}

void printHeadlessUsage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s --headless <width> <height> [--gpu N|list] [--seconds S | --frames N] [--fixed-dt S] "
                 "[--capture T1,T2,...] [--out DIR] [--view NAME[,NAME...]] [--overlay]\n",
                 program);
}
