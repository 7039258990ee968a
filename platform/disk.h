// Whole disks and raw sector reads: the drives a memory-card search may look at, in the order
// it looks at them, and a read-only handle on one of them. Nothing here ever writes to a disk.
//
// Candidates are the whole disks under <sys>/block in natural name order, drive index =
// position + 4 (the first index the search examines). Removable disks, real fixed disks and
// loop devices with a backing file are examined; a disk that holds a mounted file system, swap
// or a device-mapper/md member is the system's and is never opened. TARVIX_SDCARD_DEVICES
// (image files or devices, separated by ':') replaces the list: all of them count as removable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace disk {

enum class drive_kind {
    removable,  // examined
    fixed,      // examined
    other,      // optical drives, RAM disks, detached loops, ...: never opened
    system,     // holds a mounted file system or swap: never opened
};

struct drive_candidate {
    int index = 0;            // position + 4
    std::string name;         // the sysfs name ("sdb", "loop3") or the listed path
    std::string device_path;  // what is opened
    drive_kind kind = drive_kind::other;
    std::string why;          // for other and system: why it is not examined
};

// Where the search looks; tests point them at a fake tree.
struct roots {
    std::string sys = "/sys";
    std::string proc = "/proc";
    std::string dev = "/dev";
};

// The candidates; TARVIX_SDCARD_DEVICES replaces them when set and not empty.
std::vector<drive_candidate> list_drives(const roots& r = roots{});

// a < b in natural order: runs of digits compare by value ("loop2" before "loop10").
bool natural_less(const std::string& a, const std::string& b);

// A whole disk or an image file opened read-only.
class device {
public:
    device() = default;
    ~device() { close(); }
    device(const device&) = delete;
    device& operator=(const device&) = delete;

    // Opens read-only; false with error() and reason() set when it cannot be opened.
    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }

    // Media present: a block device reports a size above 0 (no medium: open or the size query
    // fails with ENOMEDIUM), an image file holds at least one 512-byte sector.
    bool media_present();
    // Reads exactly n bytes at offset: over EINTR and short reads; false at the end of the
    // device or on an error.
    bool read_at(uint64_t offset, void* buf, size_t n);

    int error() const { return error_; }
    // The last failure in words, e.g. "no read permission for /dev/sdb".
    const std::string& reason() const { return reason_; }

    // Devices opened and not yet closed, program-wide (tests check that a search closes all).
    static int open_count();

private:
    void fail(int err, const char* what);

    int fd_ = -1;
    std::string path_;
    int error_ = 0;
    std::string reason_;
};

}  // namespace disk
