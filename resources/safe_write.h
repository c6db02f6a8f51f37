// Writing a whole file so that a failure leaves no partial file behind: the bytes go to a
// temporary file in the target's own folder, every write is checked, the temporary is synced
// and closed, and only then renamed over the target (one atomic step on the same file system).
// On any failure the temporary is removed, the target stays as it was, and the system's reason
// comes back in words. A target that exists and is not a regular file (/dev/null, a FIFO, a
// terminal) is written in place, since renaming over it would replace the device or pipe.
// Reads and writes only the file system; prints nothing.
#pragma once

#include <cstddef>
#include <string>

// Writes size bytes to path. False, with the reason in error ("No space left on device"), when
// any step fails.
bool writeFileSafely(const std::string& path, const void* bytes, std::size_t size, std::string& error);
bool writeFileSafely(const std::string& path, const std::string& bytes, std::string& error);
