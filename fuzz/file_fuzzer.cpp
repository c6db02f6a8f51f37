// Fuzzes File's reading and hashing: whatever bytes a shader file holds (NULs, no line ends, any
// length) come back unchanged, with the hash of exactly those bytes, and a second read of the
// same bytes is no change.
#include "fuzz_input.h"
#include "resources/file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzInputFile input("file");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    File file(input.write(data, size));
    FUZZ_CHECK(file.readAll() == bytes);
    FUZZ_CHECK(file.reload() == (contentHash(bytes) != 0));
    FUZZ_CHECK(file.contents == bytes || contentHash(bytes) == 0);
    FUZZ_CHECK(file.loadedHash == contentHash(bytes));
    FUZZ_CHECK(file.markCompiled() == file.contents);
    FUZZ_CHECK(!file.reload());
    FUZZ_CHECK(!file.hasChanged());
    return 0;
}
