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
    std::FILE* file = nullptr;
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
    if (g_trace.file) {
        std::fclose(g_trace.file);
        g_trace.file = nullptr;
    }
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
    // A new file is created exclusively, so nothing planted meanwhile is followed.
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (exists ? 0 : O_CREAT | O_EXCL);
    const int fd = ::open(p.constData(), flags, 0666);
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    (void)::fcntl(fd, F_SETFL, O_APPEND);
    g_trace.file = ::fdopen(fd, "ab");
    if (!g_trace.file)
        ::close(fd);
    return g_trace.file != nullptr;
}

bool trace_print_line(const QString& text)
{
    if (!g_trace.file)
        return false;
    const QByteArray b = text.toLatin1() + "\r\n";
    if (std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), g_trace.file) != static_cast<size_t>(b.size()))
        return false;
    return std::fflush(g_trace.file) == 0;
}

bool close_trace_file()
{
    qDebug("CloseTraceFile");
    if (!g_trace.file)
        return true;
    if (std::fclose(g_trace.file) != 0) {
        // fclose releases the stream even when it fails; nothing is left to retry.
        g_trace.file = nullptr;
        return false;
    }
    g_trace.file = nullptr;
    return true;
}

void reset_trace_for_tests()
{
    if (g_trace.file)
        std::fclose(g_trace.file);
    g_trace.file = nullptr;
}
