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

// Whether a file may be written or appended to as Windows allows it: a regular file (links
// followed) with some write permission, whoever asks. ENOENT when it does not exist; 0 when
// it may; else ENODEV (not a regular file), EISDIR or EACCES.
int writable_file_error(const QString& path);

// What replace_file does, in steps, for writers that need the file before it replaces the
// old one (to read it back or check it) or that replace several files together: the
// temporary file is made by open(), written through handle() or write(), made durable and
// closed by finish(), and only commit() renames it over the target. Dropped before commit,
// the temporary file is removed and the target was never touched.
class replacement_file {
public:
    replacement_file() = default;
    ~replacement_file() { discard(); }
    replacement_file(const replacement_file&) = delete;
    replacement_file& operator=(const replacement_file&) = delete;

    // Refuses the target as replace_file does, else creates the temporary file (open for
    // reading and writing). False with result() telling why.
    bool open(const QString& path);
    int handle() const { return fd_; }
    // A temporary file exists (opened, neither committed, kept nor discarded).
    bool has_file() const { return pending_; }
    QString temporary_path() const { return QFile::decodeName(tmp_); }
    QString target_path() const { return QFile::decodeName(target_); }
    // Writes all bytes at the end of what was written; false on a short write.
    bool write(const char* data, size_t size);
    // Waits for the data to reach the disk (when synced) and closes the temporary file.
    bool finish(write_durability durability = write_durability::synced);
    // Renames the finished temporary file over the target.
    bool commit();
    // Gives the temporary file the name `path` instead of the target's (an existing file of
    // that name is replaced; across file systems it is copied). False, with the temporary
    // file removed, when that fails.
    bool keep_as(const QString& path);
    // Closes and removes the temporary file, unless it was committed or kept.
    void discard();
    const file_write_result& result() const { return result_; }

private:
    bool fail(int err, int file_error);

    QByteArray target_;
    QByteArray tmp_;
    int fd_ = -1;
    bool pending_ = false;  // a temporary file exists under tmp_
    file_write_result result_;
};

// Commits two replacements so that both take their targets' places or neither does: the
// first target's old file stays reachable under a second name until the second commit has
// succeeded, and is put back when it failed (a first target that did not exist is removed
// again). False when either commit failed; that side's result() tells why.
bool commit_together(replacement_file& first, replacement_file& second);
