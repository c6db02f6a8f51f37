// File and Asset: asset paths under the process-wide root, and one shader source file's text
// with its change bookkeeping. Reads the file system (status and bytes) and the wall clock;
// writes nothing and reports nothing: a file that cannot be read yields time stamp 0 and "".
#include "resources/file.h"

#include "resources/timer.h"

#include <cstdio>
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
    const int64_t stamp = modificationTimeNs();
    return stamp != 0 && stamp != loadedModificationTime;
}

// Reads until the end of the file rather than trusting a size measured beforehand, so a file
// that grows or shrinks while it is read (or a directory) cannot leave a wrong-sized text.
std::string File::readAll() const
{
    std::string text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return text;
    char chunk[65536];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, count);
    std::fclose(file);
    return text;
}

// The time stamp is taken before the bytes are read: a save that lands during the read moves
// the stamp on again and is picked up by the next poll.
bool File::reload()
{
    loadTime = wallClockTicks() / kTicksPerSecond;
    loadedModificationTime = modificationTimeNs();
    std::string text = readAll();
    const uint64_t h = contentHash(text);
    // contents always holds the text whose hash is loadedHash.
    if (h != loadedHash)
        contents = std::move(text);
    loadedHash = h;
    return h != compiledHash;
}

const std::string& File::markCompiled()
{
    compiledHash = loadedHash;
    return contents;
}
