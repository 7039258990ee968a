#include "core/files/file_helpers.h"

#include "platform/regular_file.h"
#include "platform/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QRandomGenerator>

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

bool open_regular_file(QFile& file, const QString& path, int* sys_errno)
{
    auto refuse = [sys_errno](int e) {
        if (sys_errno)
            *sys_errno = e;
        return false;
    };
    if (path.isEmpty())
        return refuse(ENOENT);
    const int fd = platform::open_regular_file(std::string(QFile::encodeName(path).constData()));
    if (fd < 0)
        return refuse(errno == EINVAL ? ENODEV : errno);  // neither a file nor a folder
    file.close();
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(EIO);
    }
    return true;
}

void for_each_line(QFile& file, int max_line, qint64 max_total, const std::function<bool(const QByteArray&)>& line)
{
    QByteArray buf(max_line + 2, '\0');
    qint64 total = 0;
    while (total < max_total) {
        const qint64 n = file.readLine(buf.data(), buf.size());
        if (n <= 0)
            break;
        total += n;
        QByteArray text(buf.constData(), int(n));
        bool complete = text.endsWith('\n');
        // The rest of an over-long line is read past, in pieces of the same size.
        while (!complete && total < max_total) {
            const qint64 m = file.readLine(buf.data(), buf.size());
            if (m <= 0)
                break;
            total += m;
            complete = buf[int(m) - 1] == '\n';
        }
        if (text.endsWith('\n'))
            text.chop(1);
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.size() > max_line)
            text.truncate(max_line);
        if (!line(text))
            break;
    }
}

bool find_newest_file(const QString& dir, const QString& filter, QString& name)
{
    QDir d(dir);
    d.setNameFilters({filter});
    d.setFilter(QDir::Files);
    bool found = false;
    QString best;
    for (const QFileInfo& fi : d.entryInfoList()) {
        if (!fi.isFile())
            continue;
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

int writable_file_error(const QString& path)
{
    mode_t mode = 0;
    bool exists = false;
    const int e = platform::save_target_error(QFile::encodeName(path).toStdString(), mode, exists);
    return e ? e : exists ? 0 : ENOENT;
}

bool replacement_file::fail(int err, int file_error)
{
    const bool opened = pending_;
    discard();
    result_ = failed(err, file_error, opened);
    return false;
}

bool replacement_file::open(const QString& path)
{
    discard();
    result_ = file_write_result{};
    std::string target;
    if (const int e = platform::save_target(QFile::encodeName(path).toStdString(), target))
        return fail(e, QFileDevice::OpenError);
    target_ = QByteArray::fromStdString(target);
    mode_t mode = 0666;
    bool had_file = false;
    if (const int e = platform::save_target_error(target, mode, had_file))
        return fail(e, QFileDevice::OpenError);
    std::string tmp;
    fd_ = platform::create_save_temporary(target, had_file ? 0600 : 0666, tmp);
    if (fd_ < 0)
        return fail(errno, QFileDevice::OpenError);
    tmp_ = QByteArray::fromStdString(tmp);
    pending_ = true;
    if (had_file)
        (void)::fchmod(fd_, mode);
    result_.opened = true;
    return true;
}

bool replacement_file::write(const char* data, size_t size)
{
    if (fd_ < 0)
        return fail(EBADF, QFileDevice::WriteError);
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC, QFileDevice::WriteError);
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool replacement_file::finish(write_durability durability)
{
    if (fd_ < 0)
        return pending_ || fail(EBADF, QFileDevice::WriteError);
    if (durability == write_durability::synced && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        return fail(errno, QFileDevice::WriteError);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return fail(errno, QFileDevice::WriteError);
    return true;
}

bool replacement_file::commit()
{
    if (!pending_)
        return fail(EBADF, QFileDevice::RenameError);
    if (fd_ >= 0 && !finish())
        return false;
    if (::rename(tmp_.constData(), target_.constData()) != 0)
        return fail(errno, QFileDevice::RenameError);
    pending_ = false;
    result_.ok = true;
    return true;
}

bool commit_together(replacement_file& first, replacement_file& second)
{
    // The old first file under a hard link beside it, named as the temporary files are.
    const QByteArray target = QFile::encodeName(first.target_path());
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? target.left(slash + 1) : QByteArray();
    QByteArray backup;
    bool had_none = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name =
            dir + ".tvx" + QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0') +
            ".old";
        if (::link(target.constData(), name.constData()) == 0) {
            backup = name;
            break;
        }
        if (errno == ENOENT)
            had_none = true;
        if (errno != EEXIST)
            break;
    }
    // Without a way back (a file system without hard links) the two commits still follow
    // each other at once.
    if (!first.commit()) {
        if (!backup.isEmpty())
            ::unlink(backup.constData());
        return false;
    }
    if (!second.commit()) {
        if (!backup.isEmpty())
            ::rename(backup.constData(), target.constData());
        else if (had_none)
            ::unlink(target.constData());
        return false;
    }
    if (!backup.isEmpty())
        ::unlink(backup.constData());
    return true;
}

bool replacement_file::keep_as(const QString& path)
{
    if (!pending_)
        return fail(EBADF, QFileDevice::RenameError);
    if (fd_ >= 0 && !finish(write_durability::unsynced))
        return false;
    const QByteArray name = QFile::encodeName(path);
    if (::rename(tmp_.constData(), name.constData()) == 0) {
        pending_ = false;
        return true;
    }
    if (errno != EXDEV)
        return fail(errno, QFileDevice::RenameError);
    // Another file system: a copy under the name, made the same careful way.
    QFile in;
    if (!open_regular_file(in, temporary_path()))
        return fail(EIO, QFileDevice::CopyError);
    const file_write_result r = replace_file(
        path,
        [&in, buf = QByteArray(65536, '\0')](const char*& p, size_t& n) mutable {
            const qint64 got = in.read(buf.data(), buf.size());
            p = buf.constData();
            n = got > 0 ? size_t(got) : 0;
            return got >= 0;
        },
        write_durability::unsynced);
    in.close();
    if (!r.ok)
        return fail(r.sys_errno, QFileDevice::CopyError);
    discard();
    return true;
}

void replacement_file::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (pending_)
        ::unlink(tmp_.constData());
    pending_ = false;
}

file_write_result replace_file(const QString& path, const write_source& source, write_durability durability)
{
    replacement_file file;
    if (!file.open(path))
        return file.result();
    for (;;) {
        const char* p = nullptr;
        size_t left = 0;
        if (!source(p, left)) {
            file.discard();
            return failed(EIO, QFileDevice::WriteError, true);
        }
        if (left == 0)
            break;
        if (!file.write(p, left))
            return file.result();
    }
    if (file.finish(durability))
        file.commit();
    return file.result();
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
