// File and Asset: the value types shader hot reloading rests on. An Asset names a file by
// root + directory + name; a File holds one source file's path, its last-read text and the
// bookkeeping to tell whether the file changed on disk and whether its text changed.
#pragma once

#include <cstdint>
#include <string>

// Prefix of every asset path.
extern const std::string assetRoot;

class Asset {
public:
    Asset() = default;
    virtual ~Asset() = default;
    // assetRoot + directory + name, joined without adding separators.
    std::string fullPath() const;
    // Assets order by fullPath, compared as byte strings.
    bool operator<(const Asset& other) const { return fullPath() < other.fullPath(); }

    int32_t type = 6;
    std::string directory;
    std::string name;
};

class AssetShader : public Asset {
public:
    AssetShader() { type = 0; }
    explicit AssetShader(const std::string& path)
    {
        type = 0;
        name = path;
    }
};

// 64-bit FNV-1a over the bytes, folded once: h ^ (h >> 32).
uint64_t contentHash(const std::string& text);

class File {
public:
    File() = default;
    explicit File(const std::string& filePath) : path(filePath) {}
    virtual ~File() = default;

    // The file's modification time in whole seconds since 1970-01-01 UTC; 0 when it cannot be read.
    int64_t modificationTime() const;
    // The same time stamp at full precision (nanoseconds); 0 when it cannot be read.
    int64_t modificationTimeNs() const;
    // True when the file's time stamp differs from the one it had when last read: a file that
    // went missing since then has changed too, one that was missing then and still is has not.
    bool hasChanged() const;
    // The whole file as bytes (binary mode); empty when it cannot be read.
    std::string readAll() const;
    // Re-reads the file; returns whether its text differs from the text last compiled. A file
    // that cannot be read keeps its last text and says why in readFailure.
    bool reload();
    // Records the loaded text as compiled and returns it.
    const std::string& markCompiled();

    std::string path;
    int64_t loadTime = 0;          // wall-clock second of the last read
    int64_t loadedModificationTime = 0; // the file's own time stamp when last read
    std::string contents;
    // Why the last read found no text ("is missing", "is a directory", ...); empty after a good read.
    std::string readFailure;
    uint64_t compiledHash = 0;
    uint64_t loadedHash = 0;
};
