#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int open_regular_file(const std::string& path, bool read_write, file_kinds kinds)
{
    // Without O_NONBLOCK the open of a FIFO waits for a writer (and that of a terminal for
    // its line).
    int fd;
    do
        fd = open(path.c_str(), (read_write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    const bool taken =
        known && (S_ISREG(st.st_mode) || (kinds == file_kinds::regular_or_block && S_ISBLK(st.st_mode)));
    if (!taken) {
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
