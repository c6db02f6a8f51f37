// The headless run of orbitview (`orbitview --headless W H ...`): its command line, and the loop
// that runs the scripted scene with no window for a number of seconds or frames, on the wall
// clock or a fixed time step, writing the output as PNG at the scene times asked for.
#pragma once

#include "render/debug_view.h"

#include <string>
#include <vector>

class Application;

struct HeadlessOptions {
    int width = 0, height = 0;
    int gpu = 0;                  // EGL device
    bool listGpus = false;        // --gpu list: print the devices, run nothing
    double seconds = 0.0;         // scene seconds to run; 0: up to the last capture, else 20
    long frames = 0;              // frames to run instead, when not 0
    double fixedDt = 0.0;         // seconds per frame; 0 follows the wall clock
    std::vector<double> captures;            // scene times, ascending
    std::vector<std::string> captureLabels;  // each as written on the command line: "5", "2.5"
    std::string outDir = "out";
    std::vector<View> views{View::Final};    // what each capture writes, one PNG per view
    bool overlay = false;                    // --overlay: the workbench's panels in every frame
};

// Parses the arguments after "--headless". On a bad argument returns false with a one-line
// message in error (no line end).
bool parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error);
// The view named as the title names it ("lens flare"), with dashes for spaces allowed.
bool parseViewName(const std::string& name, View& view);
// "final-5s.png", "depth-of-field-17.5s.png": the file a capture of view at label writes.
std::string captureFileName(View view, const std::string& label);

// Makes the captures' folder when there are captures; false, with a line on stderr, when it
// cannot be made. Call before start-up, so a bad --out costs no start-up.
bool makeCaptureFolder(const HeadlessOptions& options);
// Runs the scene on the Application's headless output as the options say. Returns the exit code:
// 0, or 1 when a capture could not be written or the run ended before a capture's scene time.
int runHeadless(Application& app, const HeadlessOptions& options);

// One line on stderr: the headless command line.
void printHeadlessUsage(const char* program);
