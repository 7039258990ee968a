#include "core/files/file_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

char* qstring_to_cstr(const QString& s, char* buf, std::size_t size)
{
    if (!buf || size == 0)
        return buf;
    const QByteArray b = s.toLatin1();
    const std::size_t n = std::min(static_cast<std::size_t>(b.size()), size - 1);
    std::memcpy(buf, b.constData(), n);
    buf[n] = '\0';
    return buf;
}

bool dir_exists(const QString& path)
{
    return QDir(path).exists();
}

bool file_exists(const QString& path)
{
    return QFile(path).exists();
}

bool find_newest_file(const QString& dir, const QString& filter, QString& name)
{
    QDir d(dir);
    d.setNameFilters({filter});
    d.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    bool found = false;
    QString best;
    for (const QFileInfo& fi : d.entryInfoList()) {
        const QString base = fi.completeBaseName();
        if (!found || base > best) {
            best = base;
            found = true;
        }
    }
    if (found)
        name = best;
    return found;
}

bool delete_files_in_dir(const QString& dir)
{
    QDir d(dir);
    if (!d.exists())
        return true;
    const QFileInfoList entries = d.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::Name);
    for (const QFileInfo& fi : entries) {
        if (fi.isDir() && !fi.isSymLink())
            continue;
        // Unlink ignores the file's own permission bits; keep the Windows rule that a
        // read-only file is not deleted.
        struct stat st {};
        const QByteArray p = QFile::encodeName(fi.filePath());
        if (::lstat(p.constData(), &st) == 0 && !S_ISLNK(st.st_mode) &&
            (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return false;
        if (::unlink(p.constData()) != 0)
            return false;
    }
    return true;
}

namespace {
file_write_result failed(int err, int file_error, bool opened)
{
    file_write_result r;
    r.opened = opened;
    r.sys_errno = err ? err : EIO;
    r.file_error = file_error;
    r.error_text = QString::fromLocal8Bit(std::strerror(r.sys_errno));
    return r;
}
}  // namespace

file_write_result replace_file(const QString& path, const write_source& source, write_durability durability)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray tmp = target + ".tmp" + QByteArray::number(static_cast<qlonglong>(::getpid()));
    mode_t mode = 0666;
    struct stat st {};
    const bool had_file = ::stat(target.constData(), &st) == 0;
    if (had_file) {
        if (S_ISDIR(st.st_mode))
            return failed(EISDIR, QFileDevice::OpenError, false);
        mode = st.st_mode & 07777;
    }
    int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return failed(errno, QFileDevice::OpenError, false);
    if (had_file)
        (void)::fchmod(fd, mode);
    const auto give_up = [&](int e, int file_error) {
        ::close(fd);
        ::unlink(tmp.constData());
        return failed(e, file_error, true);
    };
    for (;;) {
        const char* p = nullptr;
        size_t left = 0;
        if (!source(p, left))
            return give_up(EIO, QFileDevice::WriteError);
        if (left == 0)
            break;
        while (left > 0) {
            const ssize_t n = ::write(fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return give_up(n < 0 ? errno : ENOSPC, QFileDevice::WriteError);
            p += n;
            left -= size_t(n);
        }
    }
    if (durability == write_durability::synced && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        return give_up(errno, QFileDevice::WriteError);
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(tmp.constData());
        return failed(e, QFileDevice::WriteError, true);
    }
    if (::rename(tmp.constData(), target.constData()) != 0) {
        const int e = errno;
        ::unlink(tmp.constData());
        return failed(e, QFileDevice::RenameError, true);
    }
    file_write_result r;
    r.ok = true;
    r.opened = true;
    return r;
}

file_write_result replace_file(const QString& path, const QByteArray& data, write_durability durability)
{
    bool given = false;
    return replace_file(
        path,
        [&](const char*& p, size_t& n) {
            p = data.constData();
            n = given ? 0 : size_t(data.size());
            given = true;
            return true;
        },
        durability);
}
