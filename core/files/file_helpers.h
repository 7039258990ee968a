// Small file helpers shared by many windows: bounded 8-bit copies of strings, existence
// tests, the newest file of a directory, emptying a directory, and writing a file so that a
// failed write never destroys the file that was there before.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstddef>
#include <functional>

// Copies the string as Latin-1 into buf (at most size - 1 characters and a terminator) and
// returns buf. A size of 0 leaves buf untouched.
char* qstring_to_cstr(const QString& s, char* buf, std::size_t size);

bool dir_exists(const QString& path);
bool file_exists(const QString& path);

// Opens `path` for reading when it names a regular file, links followed. Anything else (a
// FIFO, a device, a directory, a dangling link, a loop of links) is refused at once without
// being read or waited for; `sys_errno`, when given, then says why.
bool open_regular_file(QFile& file, const QString& path, int* sys_errno = nullptr);

// Calls `line` with each line of an open file, its line end cut, until it returns false.
// Only the first `max_line` bytes of a line are passed on; the rest of a longer line is
// skipped, never taken for lines of its own. Reading stops after `max_total` bytes.
void for_each_line(QFile& file, int max_line, qint64 max_total, const std::function<bool(const QByteArray&)>& line);

// Among the regular files of `dir` matching `filter` (wildcards, case-insensitive; hidden
// files, FIFOs and dangling links left out), the greatest complete base name in string
// order; false when none matches.
bool find_newest_file(const QString& dir, const QString& filter, QString& name);

// Removes every entry of the directory that is not a directory (hidden files included). A
// file without any write permission counts as read-only and is not removed, as Windows
// refuses it. False at the first file that cannot be removed (the rest stay).
bool delete_files_in_dir(const QString& dir);

// Outcome of replace_file.
struct file_write_result {
    bool ok = false;
    bool opened = false;    // false: the file could not be created at all
    int sys_errno = 0;      // the system error number of the failure
    int file_error = 0;     // the matching QFileDevice::FileError value
    QString error_text;     // the system's text for it
};

// How replace_file finishes: `synced` waits until the data is on the disk before the rename;
// `unsynced` leaves that to the file system (which flushes a file renamed over another before
// the rename lands), for large exports that can be made again.
enum class write_durability { synced, unsynced };

// Writes data to a temporary file and renames it over `path`. A link is saved through: its
// final target is replaced and the link stays. A target without any write permission is
// refused, as Windows refuses a read-only file. The temporary file lies beside the target,
// under a short unpredictable name, created exclusively without following links. On any
// failure the temporary file is removed and the old file stays as it was.
file_write_result replace_file(const QString& path, const QByteArray& data,
                               write_durability durability = write_durability::synced);
// The same for a file made piece by piece: `source` hands out the next piece (size 0 at the
// end) and returns false when it cannot make it, which fails the write like a full disk.
using write_source = std::function<bool(const char*& data, size_t& size)>;
file_write_result replace_file(const QString& path, const write_source& source,
                               write_durability durability = write_durability::synced);
