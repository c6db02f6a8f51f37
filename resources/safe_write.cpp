// The safe file writer: a temporary beside the target, checked writes, fsync, close, rename; or
// checked writes in place for a target that is a device or a pipe.
#include "resources/safe_write.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Tries a few names for the temporary before giving up on a folder full of stale ones.
constexpr int kTemporaryNameTries = 16;

// Writes every byte to fd, going on after short writes and interrupted calls. Returns 0 or errno.
int writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return 0;
}

// The folder part of path ("." for a bare name) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// A device, pipe or terminal: opened as it is and written, without truncation or sync.
int writeInPlace(const std::string& path, const char* bytes, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = writeAll(fd, bytes, size);
    const int closeError = ::close(fd) == 0 ? 0 : errno;
    return error ? error : closeError;
}

// The whole sequence through a temporary; mode, when not 0, is the replaced file's own.
int writeThroughTemporary(const std::string& target, const char* bytes, std::size_t size, mode_t mode)
{
    std::string folder, name;
    splitPath(target, folder, name);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kTemporaryNameTries; ++attempt) {
        temporary = folder + "/." + name + ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    int error = writeAll(fd, bytes, size);
    if (!error && mode != 0 && ::fchmod(fd, mode) != 0)
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.c_str());
    return error;
}

}  // namespace

bool writeFileSafely(const std::string& path, const void* bytes, std::size_t size, std::string& error)
{
    const char* data = static_cast<const char*>(bytes);
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    int failure = 0;
    if (exists && S_ISDIR(status.st_mode)) {
        failure = EISDIR;
    } else if (exists && !S_ISREG(status.st_mode)) {
        failure = writeInPlace(path, data, size);
    } else {
        std::string target = path;
        mode_t mode = 0;
        if (exists) {
            mode = status.st_mode & 07777;
            // Through a link the file it names is replaced, and the link keeps pointing at it.
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved))
                target = resolved;
        }
        failure = writeThroughTemporary(target, data, size, mode);
    }
    if (failure == 0)
        return true;
    error = std::strerror(failure);
    return false;
}

bool writeFileSafely(const std::string& path, const std::string& bytes, std::string& error)
{
    return writeFileSafely(path, bytes.data(), bytes.size(), error);
}
