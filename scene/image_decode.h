// Image decoding, the CPU side of the image path, with no GL: SOIL decodes PNG and JPEG files
// (others are refused before SOIL sees them), in a child process where it may crash without
// taking the program along, and our own code expands grey to colour, flips rows, halves images
// for the mip chain, fills the colour ramp and squares cube faces. Reads image files; prints one
// SOIL line on standard output for each failed decode when it is taken (none for a wait its
// caller stopped).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

// Decoded pixels, rows top first, owned here (SOIL's buffer is freed at once).
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA) after decoding
    std::vector<unsigned char> pixels;
};

// A decode whose child has used kDecodeCpuLimit of CPU is looping, far past what the largest
// image needs, and the kernel stops it (SIGXCPU). Its wall time grows with the machine's load, as
// the child runs at low priority; kDecodeTimeout, counted from the take, allows for that and
// stops a child that waits on something instead of working. The README gives the figures.
constexpr std::chrono::seconds kDecodeCpuLimit{2};
constexpr std::chrono::milliseconds kDecodeTimeout{10000};
// While a take waits for its child it calls its wait hook each time this passes without a result.
constexpr std::chrono::milliseconds kDecodeWaitPoll{50};

// One file's decode. Made from a path it decodes when taken; made by start() it is decoding
// already, in a child process of low priority. take() finishes it. Nothing is printed before
// take(), so decodes started early keep the console in the order of the loads that take them.
// Children are forked only while the process has a single thread; otherwise SOIL runs in this
// process.
class ImageDecode {
public:
    // A decode made when taken. Implicit, so that a path stands for its decode.
    ImageDecode(std::string path, std::chrono::milliseconds timeout = kDecodeTimeout,
                std::chrono::seconds cpuLimit = kDecodeCpuLimit);
    // Starts decoding now in a child process of low priority, if the process has one thread.
    static ImageDecode start(std::string path, std::chrono::milliseconds timeout = kDecodeTimeout,
                             std::chrono::seconds cpuLimit = kDecodeCpuLimit);

    ImageDecode(ImageDecode&& other) noexcept;
    ImageDecode& operator=(ImageDecode&& other) noexcept;
    ImageDecode(const ImageDecode&) = delete;
    ImageDecode& operator=(const ImageDecode&) = delete;
    // Kills and reaps a child whose result nobody took.
    ~ImageDecode();

    // Finishes the decode: waits for the child (at most the timeout, then stops it), or decodes
    // now. Grey images become RGB and grey-alpha RGBA. Prints the SOIL line and returns false on
    // failure. A second take decodes the file again.
    bool take(DecodedImage& image);

    // While take waits for the child it calls keepWaiting every kDecodeWaitPoll without a
    // result (the program answers its window there); when that returns false the take stops
    // the child and fails at once, without a line.
    void waitWith(std::function<bool()> keepWaiting) { this->keepWaiting = std::move(keepWaiting); }

    const std::string& path() const { return file; }

private:
    // Forks the child decoding the file; false (and the one console line) when it cannot be made.
    bool startChild(bool background);
    enum class Outcome { Decoded, Failed, Stopped };
    // The child's result, the child reaped: the file's own channel count, or why there is none.
    Outcome receive(DecodedImage& raw, std::string& reason);
    void stopChild();

    std::string file;
    std::chrono::milliseconds timeout;
    std::chrono::seconds cpuLimit;
    std::function<bool()> keepWaiting;  // none: the take waits without calling anything
    pid_t child = -1;
    int fd = -1;  // the read end of the child's pipe
};

// Whether the process runs a single thread now (from /proc/self/status; false when unknown).
bool processHasOneThread();

// Whether a file starting with these bytes may go to SOIL: a PNG or JPEG signature.
bool soilMayDecode(const unsigned char* head, size_t size);
// Grey becomes RGB and grey-alpha RGBA, the grey copied to each colour; RGB and RGBA stay.
void expandGrey(DecodedImage& image);
// Reverses the order of the rows in place.
void flipRows(DecodedImage& image);
// The next mip level: 2 x 2 averages, sides max(1, floor(side / 2)).
DecodedImage halveImage(const DecodedImage& image);
// Cube-map faces must be square: a wider or taller image is stretched to its larger side.
void squareUp(DecodedImage& image);

constexpr int kColourRampTexels = 256;
// The colour ramp's RGB texels (3 bytes each, kColourRampTexels of them) from the first pixels
// of an image of 3 or 4 channels per pixel (RGB taken, alpha left out); fewer pixels repeat the last
// one, none leave it black.
std::vector<unsigned char> fillColourRamp(const unsigned char* pixels, size_t pixelCount, int channels = 3);
// The ramp from the decoded image, black after the SOIL line when the decode fails.
std::vector<unsigned char> decodeColourRamp(ImageDecode decode);
