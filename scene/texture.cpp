// Texture loading: owns the path from an image file to a GL texture. SOIL decodes the file, in a
// child process that may crash on a corrupt file without taking the program along; files named
// ahead of time are decoded by such children while start-up goes on. This unit
// expands grey images to colour, flips rows, builds the mip chain, compresses to DXT when the
// driver offers S3TC, and uploads. It leaves the texture unbound and the unpack alignment as it
// found it; failures go to standard output as one SOIL line each.
#include "scene/texture.h"

#include <SOIL/SOIL.h>
#include <SOIL/image_helper.h>
// libSOIL's DXT encoder has C linkage but its header does not say so.
extern "C" {
#include <SOIL/image_DXT.h>
}

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRgbChannels = 3;

// SOIL 1.07's readers for the other formats it knows (BMP, TGA, PSD, HDR, DDS) trust the sizes in
// the header: a few dozen bytes claiming a huge image overflow its size arithmetic and crash, or
// make it read padding for seconds and hundreds of megabytes. Its PNG and JPEG readers refuse
// images too large to decode. So only files that start like a PNG or a JPEG reach it; one that
// cannot be read goes to SOIL as well, which then says why.
constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr const char* kUnknownType = "Image not of any known type, or corrupt";
constexpr const char* kDecoderFailed = "Corrupt image: the decoder failed on it";
// A larger pipe than the default 64 KiB passes a decoded image in fewer turns between processes.
constexpr int kPipeBytes = 1 << 20;

bool soilMayRead(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return true;
    unsigned char head[sizeof kPngSignature] = {};
    const size_t count = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const auto startsWith = [&](const unsigned char* signature, size_t length) {
        return count >= length && std::memcmp(head, signature, length) == 0;
    };
    return startsWith(kPngSignature, sizeof kPngSignature) || startsWith(kJpegSignature, sizeof kJpegSignature);
}

// What a decode sends back: the sizes (width 0 on failure), SOIL's reason, then the pixels.
struct DecodeHeader {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;       // the file's own channel count
    int32_t storedChannels = 0; // channels per pixel of the bytes that follow
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

bool readAll(int fd, void* data, size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t count = ::read(fd, bytes, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        bytes += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

// The child's side: decode with SOIL and send the result; never returns. Its standard error goes
// to /dev/null, so a failed assertion inside SOIL prints nothing on the console.
[[noreturn]] void decodeForParent(int fd, const std::string& path, int forceChannels)
{
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0)
        ::dup2(quiet, STDERR_FILENO);
    DecodeHeader header;
    unsigned char* data = SOIL_load_image(path.c_str(), &header.width, &header.height, &header.channels,
                                          forceChannels);
    header.storedChannels = forceChannels != SOIL_LOAD_AUTO ? forceChannels : header.channels;
    const bool ok = data && header.width > 0 && header.height > 0 && header.storedChannels >= 1 &&
                    header.storedChannels <= 4;
    if (!ok) {
        header.width = header.height = 0;
        std::snprintf(header.reason, sizeof header.reason, "%s", SOIL_last_result());
    }
    const size_t bytes = ok ? static_cast<size_t>(header.width) * static_cast<size_t>(header.height) *
                                  static_cast<size_t>(header.storedChannels)
                            : 0;
    const bool sent = writeAll(fd, &header, sizeof header) && writeAll(fd, data, bytes);
    if (data)
        SOIL_free_image_data(data);
    ::_exit(sent ? 0 : 1);
}

// What a decode gives: the pixels, or why there are none.
struct Decoded {
    bool ok = false;
    std::string reason;  // SOIL's text when not ok
    DecodeHeader header;
    std::vector<unsigned char> pixels;
};

// A decode under way in a child process, or one that failed before it could start.
struct StartedDecode {
    pid_t child = -1;
    int fd = -1;                   // the read end of the child's pipe
    const char* failure = nullptr;  // set when no child was started
};

// Starts SOIL_load_image in a child process: SOIL's decoders stop with a failed assertion or a
// crash on some corrupt files (a damaged compressed stream in a PNG is enough), and only the
// child goes down then. The child sends its result through a pipe and ends; it decodes at low
// priority when it runs ahead of the program (background), so that start-up keeps its core.
// fdsToClose are other decodes' pipes, which the child has no business holding.
StartedDecode startDecode(const std::string& path, int forceChannels, bool background,
                          const std::vector<int>& fdsToClose = {})
{
    StartedDecode started;
    if (!soilMayRead(path)) {
        started.failure = kUnknownType;
        return started;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        started.failure = kDecoderFailed;
        return started;
    }
    ::fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
    started.child = ::fork();
    if (started.child == 0) {
        ::close(fds[0]);
        for (int fd : fdsToClose)
            ::close(fd);
        if (background)
            ::nice(10);
        decodeForParent(fds[1], path, forceChannels);
    }
    ::close(fds[1]);
    started.fd = fds[0];
    return started;
}

// Reads a started decode's result and reaps its child. pixels holds header.storedChannels per
// pixel: forceChannels, or the file's own count. Prints nothing, so that a decode may run ahead
// of the load that reports it.
Decoded finishDecode(const StartedDecode& started)
{
    Decoded result;
    if (started.failure) {
        result.reason = started.failure;
        return result;
    }
    DecodeHeader& header = result.header;
    bool received = started.child > 0 && readAll(started.fd, &header, sizeof header);
    header.reason[sizeof header.reason - 1] = '\0';
    if (received && header.width > 0) {
        result.pixels.resize(static_cast<size_t>(header.width) * static_cast<size_t>(header.height) *
                             static_cast<size_t>(header.storedChannels));
        received = readAll(started.fd, result.pixels.data(), result.pixels.size());
    }
    ::close(started.fd);
    int status = 0;
    while (started.child > 0 && ::waitpid(started.child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result.reason = kDecoderFailed;
        result.pixels.clear();
    } else if (header.width <= 0) {
        result.reason = header.reason;
    } else {
        result.ok = true;
    }
    return result;
}

// Decodes started ahead of their loads, one child process each, all at once: the children decode
// side by side on the cores the program leaves idle and wait, finished, for their load to read
// them. Starting them all from the calling thread (start-up's, before the window and the
// driver's threads exist) keeps every fork in a single-threaded process.
class ImagePrefetch {
public:
    ~ImagePrefetch() { drop(); }

    void start(const std::vector<std::string>& paths)
    {
        for (const std::string& path : paths) {
            if (pending.count(path))
                continue;
            std::vector<int> otherPipes;
            for (const auto& entry : pending)
                if (entry.second.fd >= 0)
                    otherPipes.push_back(entry.second.fd);
            pending.emplace(path, startDecode(path, SOIL_LOAD_AUTO, true, otherPipes));
        }
    }

    // Finishes the decode of path started ahead, waiting for it if needed; false when none was
    // started (or its result was taken already).
    bool take(const std::string& path, Decoded& result)
    {
        const auto found = pending.find(path);
        if (found == pending.end())
            return false;
        result = finishDecode(found->second);
        pending.erase(found);
        return true;
    }

    // Ends every decode no load has taken.
    void drop()
    {
        for (const auto& entry : pending) {
            const StartedDecode& started = entry.second;
            if (started.fd >= 0)
                ::close(started.fd);
            if (started.child <= 0)
                continue;
            ::kill(started.child, SIGKILL);
            while (::waitpid(started.child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        pending.clear();
    }

private:
    std::map<std::string, StartedDecode> pending;
};

ImagePrefetch& imagePrefetch()
{
    static ImagePrefetch prefetch;
    return prefetch;
}

// The decode of path, prefetched or made now (only SOIL_LOAD_AUTO decodes are prefetched);
// prints the SOIL line on failure.
bool loadImage(const std::string& path, int forceChannels, DecodeHeader& header, std::vector<unsigned char>& pixels)
{
    Decoded decoded;
    if (forceChannels != SOIL_LOAD_AUTO || !imagePrefetch().take(path, decoded))
        decoded = finishDecode(startDecode(path, forceChannels, false));
    if (!decoded.ok) {
        std::printf("SOIL loading error: '%s'\n", decoded.reason.c_str());
        return false;
    }
    header = decoded.header;
    pixels = std::move(decoded.pixels);
    return true;
}

}  // namespace

void prefetchImages(const std::vector<std::string>& paths)
{
    imagePrefetch().start(paths);
}

void dropPrefetchedImages()
{
    imagePrefetch().drop();
}

bool decodeImage(const std::string& path, DecodedImage& image)
{
    DecodeHeader header;
    std::vector<unsigned char> decoded;
    if (!loadImage(path, SOIL_LOAD_AUTO, header, decoded))
        return false;
    image.width = header.width;
    image.height = header.height;
    const int channels = header.channels;
    const bool hasAlpha = channels == 2 || channels == 4;
    image.channels = hasAlpha ? 4 : 3;
    if (channels == image.channels) {
        image.pixels = std::move(decoded);
        return true;
    }
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    image.pixels.resize(count * static_cast<size_t>(image.channels));
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* in = &decoded[i * static_cast<size_t>(channels)];
        unsigned char* out = &image.pixels[i * static_cast<size_t>(image.channels)];
        out[0] = out[1] = out[2] = in[0];
        if (hasAlpha)
            out[3] = in[1];
    }
    return true;
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

std::vector<unsigned char> fillColourRamp(const unsigned char* rgbPixels, size_t pixelCount)
{
    std::vector<unsigned char> ramp(static_cast<size_t>(kColourRampTexels) * kRgbChannels, 0);
    if (!rgbPixels || pixelCount == 0)
        return ramp;
    for (size_t texel = 0; texel < static_cast<size_t>(kColourRampTexels); ++texel) {
        const size_t pixel = std::min(texel, pixelCount - 1);
        std::memcpy(&ramp[texel * kRgbChannels], rgbPixels + pixel * kRgbChannels, kRgbChannels);
    }
    return ramp;
}

std::vector<unsigned char> decodeColourRamp(const std::string& path)
{
    DecodeHeader header;
    std::vector<unsigned char> decoded;
    if (!loadImage(path, SOIL_LOAD_RGB, header, decoded))
        return fillColourRamp(nullptr, 0);
    return fillColourRamp(decoded.data(), static_cast<size_t>(header.width) * static_cast<size_t>(header.height));
}

namespace {

// Cube-map faces must be square: a wider or taller image is stretched to its larger side.
void squareUp(DecodedImage& image)
{
    if (image.width == image.height)
        return;
    DecodedImage square;
    square.width = square.height = std::max(image.width, image.height);
    square.channels = image.channels;
    square.pixels.resize(static_cast<size_t>(square.width) * static_cast<size_t>(square.height) *
                         static_cast<size_t>(square.channels));
    up_scale_image(image.pixels.data(), image.width, image.height, image.channels, square.pixels.data(),
                   square.width, square.height);
    image = std::move(square);
}

// Core profiles have no GL_EXTENSIONS string; the list is walked one name at a time.
bool driverHasS3tc()
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (name && std::strcmp(name, "GL_EXT_texture_compression_s3tc") == 0)
            return true;
    }
    return false;
}

// Uploads one level, compressed on the CPU by SOIL's DXT encoder (DXT1 for RGB, DXT5 for
// RGBA) when compress is set; falls back to an uncompressed level if the encoder refuses.
void uploadLevel(GLenum target, GLint level, const DecodedImage& image, bool compress)
{
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;
    if (compress) {
        int size = 0;
        unsigned char* blocks =
            image.channels == 4
                ? convert_image_to_DXT5(image.pixels.data(), image.width, image.height, image.channels, &size)
                : convert_image_to_DXT1(image.pixels.data(), image.width, image.height, image.channels, &size);
        if (blocks) {
            const GLenum internal = image.channels == 4 ? GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
                                                        : GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
            glCompressedTexImage2D(target, level, internal, image.width, image.height, 0, size, blocks);
            SOIL_free_image_data(blocks);
            return;
        }
    }
    glTexImage2D(target, level, static_cast<GLint>(format), image.width, image.height, 0, format,
                 GL_UNSIGNED_BYTE, image.pixels.data());
}

// Tightly packed rows for the duration of one upload; the caller's alignment comes back after.
class UnpackAlignmentOne {
public:
    UnpackAlignmentOne()
    {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~UnpackAlignmentOne() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous); }
    UnpackAlignmentOne(const UnpackAlignmentOne&) = delete;
    UnpackAlignmentOne& operator=(const UnpackAlignmentOne&) = delete;

private:
    GLint previous = 4;
};

}  // namespace

GLuint loadTexture(const std::string& path)
{
    DecodedImage image;
    if (!decodeImage(path, image))
        return 0;
    flipRows(image);

    const bool compress = driverHasS3tc();
    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint level = 0;
    uploadLevel(GL_TEXTURE_2D, level, image, compress);
    while (image.width > 1 || image.height > 1) {
        image = halveImage(image);
        uploadLevel(GL_TEXTURE_2D, ++level, image, compress);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

GLuint loadTexture1D(const std::string& path)
{
    const std::vector<unsigned char> ramp = decodeColourRamp(path);
    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, kColourRampTexels, 0, GL_RGB, GL_UNSIGNED_BYTE, ramp.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_1D, 0);
    return name;
}

GLuint loadCubeMap(const std::string& path)
{
    DecodedImage image;
    if (!decodeImage(path, image))
        return 0;

    squareUp(image);

    const UnpackAlignmentOne alignment;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_CUBE_MAP, name);
    for (GLenum face = 0; face < 6; ++face)
        uploadLevel(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, image, false);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return name;
}
