#include "core/files/trace_file.h"

#include <QDebug>
#include <QFile>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files/file_helpers.h"

namespace {
struct trace_state {
    int fd = -1;
};
trace_state g_trace;

// The last line of a trace file is found in its tail; lines are far shorter than this.
constexpr qint64 tail_bytes = 4096;
}  // namespace

int next_trace_number(const QByteArray& tail)
{
    int end = tail.size();
    while (end > 0 && (tail[end - 1] == '\n' || tail[end - 1] == '\r'))
        --end;
    int begin = end;
    while (begin > 0 && tail[begin - 1] != '\n' && tail[begin - 1] != '\r')
        --begin;
    const QByteArray line = tail.mid(begin, end - begin);
    if (line.isEmpty())
        return 0;
    // "%d %s": a number followed by at least one further word; the word is not kept. A number
    // that does not fit, or whose successor does not, starts the count again.
    const char* text = line.constData();
    char* rest = nullptr;
    errno = 0;
    const long number = std::strtol(text, &rest, 10);
    if (rest == text || errno == ERANGE || number < INT_MIN || number >= INT_MAX)
        return 0;
    while (*rest != '\0' && std::isspace(static_cast<unsigned char>(*rest)))
        ++rest;
    return *rest != '\0' ? int(number) + 1 : 0;
}

bool open_trace_file(const QString& path, int& running_number, bool& new_file)
{
    if (g_trace.fd >= 0)
        ::close(g_trace.fd);
    g_trace.fd = -1;
    running_number = 0;
    new_file = true;
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::lstat(p.constData(), &st) == 0;
    if (exists) {
        // Only a regular file is read and appended to; a FIFO, a device, a directory or a
        // link to nowhere is refused at once.
        QFile f;
        if (!open_regular_file(f, path))
            return false;
        new_file = false;
        const qint64 size = f.size();
        if (size > 0) {
            f.seek(size > tail_bytes ? size - tail_bytes : 0);
            running_number = next_trace_number(f.read(tail_bytes));
        }
        bool any_line = false;
        f.seek(0);
        const QByteArray head = f.read(512);
        for (char ch : head)
            if (ch != '\r' && ch != '\n') {
                any_line = true;
                break;
            }
        if (!any_line && size <= 512) {
            new_file = true;
            running_number = 0;
        }
    }
    // A new file is created exclusively, so nothing planted meanwhile is followed. An
    // existing file nobody may write is read-only, also for root, as on Windows.
    if (exists && writable_file_error(path) != 0)
        return false;
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL);
    const int fd = ::open(p.constData(), flags, 0666);
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    (void)::fcntl(fd, F_SETFL, O_APPEND);
    g_trace.fd = fd;
    return true;
}

bool trace_print_line(const QString& text)
{
    if (g_trace.fd < 0)
        return false;
    const QByteArray b = text.toLatin1() + "\r\n";
    // A line is written whole or not at all: what a failed write left of it is cut off again.
    struct stat st {};
    if (::fstat(g_trace.fd, &st) != 0)
        return false;
    const char* p = b.constData();
    size_t left = size_t(b.size());
    while (left > 0) {
        const ssize_t n = ::write(g_trace.fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            (void)::ftruncate(g_trace.fd, st.st_size);
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

bool close_trace_file()
{
    qDebug("CloseTraceFile");
    if (g_trace.fd < 0)
        return true;
    // close releases the descriptor even when it fails; nothing is left to retry.
    const int fd = g_trace.fd;
    g_trace.fd = -1;
    return ::close(fd) == 0;
}

void reset_trace_for_tests()
{
    if (g_trace.fd >= 0)
        ::close(g_trace.fd);
    g_trace.fd = -1;
}
