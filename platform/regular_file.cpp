#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int open_regular_file(const std::string& path, bool read_write)
{
    // Without O_NONBLOCK the open of a FIFO waits for a writer.
    const int fd = open(path.c_str(), (read_write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int err = known && S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = err;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FILE* fopen_regular(const std::string& path)
{
    const int fd = open_regular_file(path);
    if (fd < 0)
        return nullptr;
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        const int err = errno;
        close(fd);
        errno = err;
    }
    return f;
}

}  // namespace platform
