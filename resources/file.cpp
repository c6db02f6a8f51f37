// File and Asset: asset paths under the process-wide root, and one shader source file's text
// with its change bookkeeping. Reads the file system (status and bytes) and the wall clock;
// writes nothing and reports nothing: a file that cannot be read yields time stamp 0, no text
// and the reason in words for its owner to report.
#include "resources/file.h"

#include "resources/timer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

const std::string assetRoot = "./";

namespace {
constexpr uint64_t kFnvOffsetBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;
constexpr int64_t kTicksPerSecond = 10000000;  // wall clock ticks are 100 ns
constexpr int64_t kNanosecondsPerSecond = 1000000000;

// The file's status, or false when it cannot be read.
bool statusOf(const std::string& path, struct stat& status)
{
    return ::stat(path.c_str(), &status) == 0;
}

std::string cannotBeRead(int error)
{
    return std::string("cannot be read: ") + std::strerror(error);
}

// Reads the whole file into text and returns why it could not ("" when it could). The kind of
// file is checked first: a directory opens here and reads as nothing, and a pipe would block.
// Reads until the end of the file rather than trusting a size measured beforehand, so a file
// that grows or shrinks while it is read cannot leave a wrong-sized text.
std::string readText(const std::string& path, std::string& text)
{
    struct stat status;
    if (!statusOf(path, status))
        return errno == ENOENT || errno == ENOTDIR ? "is missing" : cannotBeRead(errno);
    if (S_ISDIR(status.st_mode))
        return "is a directory";
    if (!S_ISREG(status.st_mode))
        return "is not a regular file";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return cannotBeRead(errno);
    char chunk[65536];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, count);
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error == 0)
        return {};
    text.clear();
    return cannotBeRead(error);
}
}  // namespace

std::string Asset::fullPath() const
{
    return assetRoot + directory + name;
}

uint64_t contentHash(const std::string& text)
{
    uint64_t h = kFnvOffsetBasis;
    for (unsigned char byte : text) {
        h ^= byte;
        h *= kFnvPrime;
    }
    return h ^ (h >> 32);
}

int64_t File::modificationTime() const
{
    struct stat status;
    return statusOf(path, status) ? static_cast<int64_t>(status.st_mtim.tv_sec) : 0;
}

int64_t File::modificationTimeNs() const
{
    struct stat status;
    if (!statusOf(path, status))
        return 0;
    return static_cast<int64_t>(status.st_mtim.tv_sec) * kNanosecondsPerSecond + status.st_mtim.tv_nsec;
}

bool File::hasChanged() const
{
    return modificationTimeNs() != loadedModificationTime;
}

std::string File::readAll() const
{
    std::string text;
    readText(path, text);
    return text;
}

// The time stamp is taken before the bytes are read: a save that lands during the read moves
// the stamp on again and is picked up by the next poll. A failed read changes no text: what
// was last read stays what a build compiles.
bool File::reload()
{
    loadTime = wallClockTicks() / kTicksPerSecond;
    loadedModificationTime = modificationTimeNs();
    std::string text;
    readFailure = readText(path, text);
    if (readFailure.empty()) {
        const uint64_t h = contentHash(text);
        // contents always holds the text whose hash is loadedHash.
        if (h != loadedHash)
            contents = std::move(text);
        loadedHash = h;
    }
    return loadedHash != compiledHash;
}

const std::string& File::markCompiled()
{
    compiledHash = loadedHash;
    return contents;
}
