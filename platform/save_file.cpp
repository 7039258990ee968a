#include "platform/save_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

int save_target(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        std::vector<char> link(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        if (size_t(n) >= link.size())
            return ENAMETOOLONG;
        std::string next(link.data(), size_t(n));
        if (next.empty() || next[0] != '/') {
            const size_t slash = target.find_last_of('/');
            next = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + next;
        }
        target = next;
    }
    return ELOOP;
}

int save_target_error(const std::string& target, mode_t& mode, bool& exists)
{
    struct stat st {};
    exists = ::stat(target.c_str(), &st) == 0;
    if (!exists)
        return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return ENODEV;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return EACCES;
    mode = st.st_mode & 07777;
    return 0;
}

int create_save_temporary(const std::string& target, mode_t mode, std::string& tmp)
{
    const size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t r = 0;
        ssize_t got;
        do {
            got = ::getrandom(&r, sizeof r, 0);
        } while (got < 0 && errno == EINTR);
        if (got != ssize_t(sizeof r)) {
            if (got >= 0)
                errno = EIO;
            return -1;
        }
        char name[32];
        std::snprintf(name, sizeof name, ".tvx%016llx.tmp", static_cast<unsigned long long>(r));
        tmp = dir + name;
        const int fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace platform
