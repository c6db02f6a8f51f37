// Shared by the fuzz targets: the parsers under test read files, so each input is written to a
// file of its own in the temporary folder (one per target and process) before it is parsed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class FuzzInputFile {
public:
    explicit FuzzInputFile(const char* target)
        : path((std::filesystem::temp_directory_path() /
                ("orbitview_fuzz_" + std::string(target) + "_" + std::to_string(getpid())))
                   .string())
    {
    }
    ~FuzzInputFile() { std::remove(path.c_str()); }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    // Replaces the file's bytes with the input; returns its path.
    const std::string& write(const uint8_t* data, size_t size) const
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size)
            std::abort();
        std::fclose(file);
        return path;
    }

    const std::string path;
};

// A broken invariant: reported like a crash, with the message.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
