// Image decoding: owns the path from an image file to decoded pixels, apart from GL. SOIL decodes
// the file, in a child process that sends its result through a pipe, so that a corrupt file can
// crash the child, never the program; our own code then expands grey, and offers the steps the
// textures need (row flips, mip halving, the colour ramp, square cube faces). Reads image files and
// /proc/self/status; forks and reaps the children, each with a bound on its CPU time; prints a
// failed decode's SOIL line on standard output when it is taken, and one line on standard error if
// no child process can be made.
#include "scene/image_decode.h"

#include <SOIL/SOIL.h>
#include <SOIL/image_helper.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORBITVIEW_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORBITVIEW_ADDRESS_SANITIZER 1
#endif
#ifdef ORBITVIEW_ADDRESS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRgbChannels = 3;

// SOIL 1.07's readers for the other formats it knows (BMP, TGA, PSD, HDR, DDS) trust the sizes in
// the header: a few dozen bytes claiming a huge image overflow its size arithmetic and crash, or
// make it read padding for seconds and hundreds of megabytes. Its PNG and JPEG readers refuse
// images too large to decode. So only files that start like a PNG or a JPEG reach it; one that
// cannot be read goes to SOIL as well, which then says why.
constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr const char* kUnknownType = "Image not of any known type, or corrupt";
// A larger pipe than the default 64 KiB passes a decoded image in fewer turns between processes.
constexpr int kPipeBytes = 1 << 20;
// The child's exit status when its CPU time ran out.
constexpr int kOutOfCpuTime = 3;

bool soilMayRead(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return true;
    unsigned char head[sizeof kPngSignature] = {};
    const size_t count = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return soilMayDecode(head, count);
}

// SOIL's decode of one file in the file's own channel count, behind the signature check.
class SoilImage {
public:
    explicit SoilImage(const std::string& path)
    {
        if (!soilMayRead(path)) {
            failure = kUnknownType;
            return;
        }
        data = SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_AUTO);
        if (!data || width <= 0 || height <= 0 || channels < 1 || channels > 4) {
            failure = SOIL_last_result();
            width = height = channels = 0;
        }
    }
    ~SoilImage()
    {
        if (data)
            SOIL_free_image_data(data);
    }
    SoilImage(const SoilImage&) = delete;
    SoilImage& operator=(const SoilImage&) = delete;

    size_t bytes() const
    {
        return failure ? 0 : size_t(width) * size_t(height) * size_t(channels);
    }

    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;
    const char* failure = nullptr;  // SOIL's reason, or ours, when there are no pixels
};

// The decode in this process, for when no child can be made.
bool decodeHere(const std::string& path, DecodedImage& raw, std::string& reason)
{
    const SoilImage soil(path);
    if (soil.failure) {
        reason = soil.failure;
        return false;
    }
    raw.width = soil.width;
    raw.height = soil.height;
    raw.channels = soil.channels;
    raw.pixels.assign(soil.data, soil.data + soil.bytes());
    return true;
}

// What a child sends back: the sizes (width 0 on failure), the reason, then the pixels.
struct DecodeHeader {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    char reason[256] = {};
};

bool writeAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

enum class ReadEnd { Complete, PipeEnded, TimedOut, Stopped };

// Reads size bytes unless the pipe ends or fails, the deadline passes, or keepWaiting (asked
// each kDecodeWaitPoll without data) says to stop first.
ReadEnd readBefore(int fd, void* data, size_t size, Clock::time_point deadline,
                   const std::function<bool()>& keepWaiting)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadEnd::TimedOut;
        pollfd ready{fd, POLLIN, 0};
        const int events = ::poll(&ready, 1, int(std::min<long long>(left, kDecodeWaitPoll.count())));
        if (events < 0 && errno != EINTR)
            return ReadEnd::PipeEnded;
        if (events <= 0) {
            if (keepWaiting && !keepWaiting())
                return ReadEnd::Stopped;
            continue;
        }
        const ssize_t count = ::read(fd, bytes, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return ReadEnd::PipeEnded;
        bytes += count;
        size -= static_cast<size_t>(count);
    }
    return ReadEnd::Complete;
}

// A pipe made while the program's standard descriptors are closed gets their numbers, and the
// child's redirection of standard error would then close its own write end: each end of the
// pipe moves above them.
bool aboveStandardDescriptors(int& fd)
{
    if (fd > STDERR_FILENO)
        return true;
    const int moved = ::fcntl(fd, F_DUPFD, STDERR_FILENO + 1);
    ::close(fd);
    fd = moved;
    return moved >= 0;
}

// The reason's seconds as "2" or "0.2".
std::string secondsText(std::chrono::milliseconds duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(duration.count()) / 1000.0);
    return text;
}

// A crash of SOIL in the child is the handled outcome: it must die quietly, without a core file,
// and without running the handlers it inherited (a fuzzer's would record the input as a finding
// of its own, a sanitizer's would report it).
void quietChild()
{
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0)
        ::dup2(quiet, STDERR_FILENO);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS})
        std::signal(signal, SIG_DFL);
#ifdef ORBITVIEW_ADDRESS_SANITIZER
    __sanitizer_set_death_callback(nullptr);
#endif
}

void endOutOfCpuTime(int)
{
    ::_exit(kOutOfCpuTime);
}

// The child's side: decode with SOIL within cpuLimit of CPU time and send the result; never
// returns. At the limit the kernel sends SIGXCPU, on which the child ends (a second later it
// sends SIGKILL).
[[noreturn]] void decodeForParent(int fd, const std::string& path, std::chrono::seconds cpuLimit)
{
    quietChild();
    std::signal(SIGXCPU, endOutOfCpuTime);
    const rlim_t cpuSeconds = rlim_t(std::max<std::chrono::seconds::rep>(1, cpuLimit.count()));
    const rlimit cpu{cpuSeconds, cpuSeconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    bool sent = false;
    {
        const SoilImage soil(path);
        DecodeHeader header;
        header.width = soil.width;
        header.height = soil.height;
        header.channels = soil.channels;
        if (soil.failure)
            std::snprintf(header.reason, sizeof header.reason, "%s", soil.failure);
        sent = writeAll(fd, &header, sizeof header) && writeAll(fd, soil.data, soil.bytes());
    }
    ::_exit(sent ? 0 : 1);
}

// Without a child, SOIL decodes in this process; said once, since it holds for every decode.
void sayNoChildProcess(int error)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    std::fprintf(stderr, "Image decoder: no child process (%s); decoding in this process\n", std::strerror(error));
}

void reap(pid_t child, int& status)
{
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool processHasOneThread()
{
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file)
        return false;
    int threads = 0;
    char line[256];
    while (std::fgets(line, sizeof line, file))
        if (std::sscanf(line, "Threads: %d", &threads) == 1)
            break;
    std::fclose(file);
    return threads == 1;
}

ImageDecode::ImageDecode(std::string path, std::chrono::milliseconds timeout, std::chrono::seconds cpuLimit)
    : file(std::move(path)), timeout(timeout), cpuLimit(cpuLimit)
{
}

ImageDecode ImageDecode::start(std::string path, std::chrono::milliseconds timeout, std::chrono::seconds cpuLimit)
{
    ImageDecode decode(std::move(path), timeout, cpuLimit);
    if (processHasOneThread())
        decode.startChild(true);
    return decode;
}

ImageDecode::ImageDecode(ImageDecode&& other) noexcept
    : file(std::move(other.file)),
      timeout(other.timeout),
      cpuLimit(other.cpuLimit),
      keepWaiting(std::move(other.keepWaiting)),
      child(other.child),
      fd(other.fd)
{
    other.child = -1;
    other.fd = -1;
}

ImageDecode& ImageDecode::operator=(ImageDecode&& other) noexcept
{
    if (this != &other) {
        stopChild();
        file = std::move(other.file);
        timeout = other.timeout;
        cpuLimit = other.cpuLimit;
        keepWaiting = std::move(other.keepWaiting);
        child = std::exchange(other.child, -1);
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

ImageDecode::~ImageDecode()
{
    stopChild();
}

// A fork copies only the calling thread, and a lock another thread held (malloc's, stdio's) would
// stay locked in the child for good; so a caller forks only while the process has one thread.
// The child decodes at low priority when it runs ahead of the program (background), so that
// start-up keeps its core.
bool ImageDecode::startChild(bool background)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        sayNoChildProcess(errno);
        return false;
    }
    const bool readEndMoved = aboveStandardDescriptors(fds[0]);
    const bool writeEndMoved = aboveStandardDescriptors(fds[1]);
    if (!readEndMoved || !writeEndMoved) {
        const int error = errno;
        for (int end : fds)
            if (end >= 0)
                ::close(end);
        sayNoChildProcess(error);
        return false;
    }
    ::fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        sayNoChildProcess(error);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (background)
            ::nice(10);
        decodeForParent(fds[1], file, cpuLimit);
    }
    ::close(fds[1]);
    child = pid;
    fd = fds[0];
    return true;
}

ImageDecode::Outcome ImageDecode::receive(DecodedImage& raw, std::string& reason)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    DecodeHeader header;
    ReadEnd end = readBefore(fd, &header, sizeof header, deadline, keepWaiting);
    header.reason[sizeof header.reason - 1] = '\0';
    const bool sized = end == ReadEnd::Complete && header.width > 0 && header.height > 0 && header.channels >= 1 &&
                       header.channels <= 4;
    if (sized) {
        raw.width = header.width;
        raw.height = header.height;
        raw.channels = header.channels;
        raw.pixels.resize(size_t(raw.width) * size_t(raw.height) * size_t(raw.channels));
        end = readBefore(fd, raw.pixels.data(), raw.pixels.size(), deadline, keepWaiting);
    }
    // A child that sent its whole result is ending by itself; any other is stopped.
    if (end != ReadEnd::Complete)
        ::kill(child, SIGKILL);
    int status = 0;
    reap(child, status);
    ::close(fd);
    child = -1;
    fd = -1;
    const std::string corrupt = "Corrupt image " + file + ": the decoder ";
    if (end == ReadEnd::Stopped)
        return Outcome::Stopped;
    if (end == ReadEnd::TimedOut)
        reason = corrupt + "did not finish in " + secondsText(timeout) + " s";
    else if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfCpuTime)
        reason = corrupt + "did not finish in " + secondsText(cpuLimit) + " s of CPU time";
    else if (end != ReadEnd::Complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        reason = corrupt + "failed on it";
    else if (!sized)
        reason = header.reason;
    else
        return Outcome::Decoded;
    return Outcome::Failed;
}

// Where the process has threads, SOIL decodes in it and a crash inside SOIL is not contained.
// That is accepted because the program's own images are decoded ahead, by start-up before the
// window opens, while the process has one thread; the later decodes in a process with threads
// are the GL tests' own files.
bool ImageDecode::take(DecodedImage& image)
{
    if (child < 0 && processHasOneThread())
        startChild(false);
    DecodedImage raw;
    std::string reason;
    const Outcome outcome =
        child > 0 ? receive(raw, reason) : decodeHere(file, raw, reason) ? Outcome::Decoded : Outcome::Failed;
    // A wait stopped by its hook is the program closing: nothing to report.
    if (outcome == Outcome::Stopped)
        return false;
    if (outcome == Outcome::Failed) {
        std::printf("SOIL loading error: '%s'\n", reason.c_str());
        return false;
    }
    expandGrey(raw);
    image = std::move(raw);
    return true;
}

void ImageDecode::stopChild()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    if (child <= 0)
        return;
    ::kill(child, SIGKILL);
    int status = 0;
    reap(child, status);
    child = -1;
}

bool soilMayDecode(const unsigned char* head, size_t size)
{
    const auto startsWith = [&](const unsigned char* signature, size_t length) {
        return size >= length && std::memcmp(head, signature, length) == 0;
    };
    return startsWith(kPngSignature, sizeof kPngSignature) || startsWith(kJpegSignature, sizeof kJpegSignature);
}

void expandGrey(DecodedImage& image)
{
    const int channels = image.channels;
    if (channels != 1 && channels != 2)
        return;
    const bool hasAlpha = channels == 2;
    const int expanded = hasAlpha ? 4 : 3;
    const size_t count = size_t(image.width) * size_t(image.height);
    std::vector<unsigned char> pixels(count * size_t(expanded));
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* in = &image.pixels[i * size_t(channels)];
        unsigned char* out = &pixels[i * size_t(expanded)];
        out[0] = out[1] = out[2] = in[0];
        if (hasAlpha)
            out[3] = in[1];
    }
    image.channels = expanded;
    image.pixels = std::move(pixels);
}

void flipRows(DecodedImage& image)
{
    const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(image.pixels.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                         image.pixels.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
}

namespace {

// One output row of the next mip level: each output pixel is the rounded mean of a 2 x 2 block
// of the two input rows (row0 and row1 may be the same row). With the channel count fixed at
// compile time the loop has no inner branch or division, and the mip chain is a good part of
// the start-up's texture time.
template <int Channels>
void halveRow(const unsigned char* row0, const unsigned char* row1, int srcWidth, unsigned char* out, int dstWidth)
{
    // A 1-wide input averages its one column with itself.
    const int nextColumn = srcWidth > 1 ? Channels : 0;
    for (int x = 0; x < dstWidth; ++x) {
        const unsigned char* a = row0 + 2 * x * Channels;
        const unsigned char* b = row1 + 2 * x * Channels;
        for (int k = 0; k < Channels; ++k)
            out[k] = static_cast<unsigned char>((a[k] + a[k + nextColumn] + b[k] + b[k + nextColumn] + 2) >> 2);
        out += Channels;
    }
}

}  // namespace

// An odd side leaves its last line out, a side of 1 is averaged with itself.
DecodedImage halveImage(const DecodedImage& src)
{
    DecodedImage dst;
    dst.width = std::max(1, src.width / 2);
    dst.height = std::max(1, src.height / 2);
    dst.channels = src.channels;
    dst.pixels.resize(static_cast<size_t>(dst.width) * static_cast<size_t>(dst.height) *
                      static_cast<size_t>(dst.channels));
    const size_t srcRowBytes = static_cast<size_t>(src.width) * static_cast<size_t>(src.channels);
    const size_t dstRowBytes = static_cast<size_t>(dst.width) * static_cast<size_t>(dst.channels);
    for (int y = 0; y < dst.height; ++y) {
        const unsigned char* row0 = &src.pixels[static_cast<size_t>(std::min(2 * y, src.height - 1)) * srcRowBytes];
        const unsigned char* row1 = &src.pixels[static_cast<size_t>(std::min(2 * y + 1, src.height - 1)) * srcRowBytes];
        unsigned char* out = &dst.pixels[static_cast<size_t>(y) * dstRowBytes];
        switch (src.channels) {
        case 1: halveRow<1>(row0, row1, src.width, out, dst.width); break;
        case 2: halveRow<2>(row0, row1, src.width, out, dst.width); break;
        case 3: halveRow<3>(row0, row1, src.width, out, dst.width); break;
        default: halveRow<4>(row0, row1, src.width, out, dst.width); break;
        }
    }
    return dst;
}

namespace {

// The image with each side of 1 doubled, its one line repeated.
DecodedImage atLeastTwoByTwo(const DecodedImage& image)
{
    DecodedImage wider;
    wider.width = std::max(2, image.width);
    wider.height = std::max(2, image.height);
    wider.channels = image.channels;
    const size_t pixelBytes = size_t(image.channels);
    wider.pixels.resize(size_t(wider.width) * size_t(wider.height) * pixelBytes);
    for (int y = 0; y < wider.height; ++y)
        for (int x = 0; x < wider.width; ++x)
            std::memcpy(&wider.pixels[(size_t(y) * size_t(wider.width) + size_t(x)) * pixelBytes],
                        &image.pixels[(size_t(std::min(y, image.height - 1)) * size_t(image.width) +
                                       size_t(std::min(x, image.width - 1))) * pixelBytes],
                        pixelBytes);
    return wider;
}

}  // namespace

// SOIL's up_scale_image blends each pixel with its neighbours to the right and below; along a
// side of 1 it takes them from the line before the image (with weight 0, but outside the buffer
// all the same). Such a side is doubled first, which stretches to the same square.
void squareUp(DecodedImage& image)
{
    if (image.width == image.height)
        return;
    const bool thin = image.width == 1 || image.height == 1;
    const DecodedImage source = thin ? atLeastTwoByTwo(image) : DecodedImage();
    const DecodedImage& from = thin ? source : image;
    DecodedImage square;
    square.width = square.height = std::max(image.width, image.height);
    square.channels = image.channels;
    square.pixels.resize(static_cast<size_t>(square.width) * static_cast<size_t>(square.height) *
                         static_cast<size_t>(square.channels));
    up_scale_image(from.pixels.data(), from.width, from.height, from.channels, square.pixels.data(), square.width,
                   square.height);
    image = std::move(square);
}

std::vector<unsigned char> fillColourRamp(const unsigned char* pixels, size_t pixelCount, int channels)
{
    std::vector<unsigned char> ramp(static_cast<size_t>(kColourRampTexels) * kRgbChannels, 0);
    if (!pixels || pixelCount == 0)
        return ramp;
    for (size_t texel = 0; texel < static_cast<size_t>(kColourRampTexels); ++texel) {
        const size_t pixel = std::min(texel, pixelCount - 1);
        std::memcpy(&ramp[texel * kRgbChannels], pixels + pixel * size_t(channels), kRgbChannels);
    }
    return ramp;
}

std::vector<unsigned char> decodeColourRamp(ImageDecode decode)
{
    DecodedImage image;
    if (!decode.take(image))
        return fillColourRamp(nullptr, 0);
    return fillColourRamp(image.pixels.data(), size_t(image.width) * size_t(image.height), image.channels);
}
