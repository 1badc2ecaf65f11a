// Opening a file that must be a plain one, without blocking on a FIFO: the POSIX way, on Linux and in
// the browser.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

// The open does not block, so a FIFO of that name cannot hold up the caller; a folder or a device is
// refused before a reader could take it for an empty or endless file.
FILE* plain_file_open(const char* path, const char** why)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = strerror(errno);
        return nullptr;
    }
    struct stat status = {};
    if (fstat(fd, &status) != 0) {
        const int error = errno;
        close(fd);
        *why = strerror(error);
        errno = error;
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        close(fd);
        *why = "not a plain file";
        errno = 0;
        return nullptr;
    }
    // reads block again as usual: a regular file has no writer to wait for
    FILE* file = fcntl(fd, F_SETFL, 0) == 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        *why = strerror(error);
        errno = error;
    }
    return file;
}
