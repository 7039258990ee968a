#include "platform/disk.h"
#include "platform/regular_file.h"

#include <dirent.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace disk {

namespace {

std::atomic<int> g_open_devices{0};

std::string read_line(const std::string& path)
{
    std::ifstream in(path);
    std::string s;
    std::getline(in, s);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    return s;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> dir_entries(const std::string& path)
{
    std::vector<std::string> out;
    DIR* d = ::opendir(path.c_str());
    if (!d)
        return out;
    while (dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            out.push_back(n);
    }
    ::closedir(d);
    return out;
}

bool starts_with(const std::string& s, const char* p) { return s.compare(0, std::strlen(p), p) == 0; }

// What the running system uses: major:minor numbers of mounted file systems and the device
// names of mount sources and swap areas.
struct in_use {
    std::set<std::string> dev_numbers;
    std::set<std::string> names;
};

in_use devices_in_use(const roots& r)
{
    in_use u;
    std::ifstream mi(r.proc + "/self/mountinfo");
    for (std::string line; std::getline(mi, line);) {
        std::istringstream ls(line);
        std::string id, parent, devno;
        ls >> id >> parent >> devno;
        u.dev_numbers.insert(devno);
        const size_t sep = line.find(" - ");
        if (sep != std::string::npos) {
            std::istringstream rest(line.substr(sep + 3));
            std::string fstype, source;
            rest >> fstype >> source;
            if (starts_with(source, "/dev/"))
                u.names.insert(source.substr(5));
        }
    }
    std::ifstream sw(r.proc + "/swaps");
    std::string line;
    std::getline(sw, line);  // header
    while (std::getline(sw, line)) {
        std::istringstream ls(line);
        std::string file;
        ls >> file;
        if (starts_with(file, "/dev/"))
            u.names.insert(file.substr(5));
    }
    return u;
}

// Why the disk belongs to the system, or "" when it does not.
std::string system_use(const std::string& block, const std::string& name, const in_use& u)
{
    std::vector<std::pair<std::string, std::string>> parts{{name, block}};
    for (const std::string& e : dir_entries(block))
        if (exists(block + "/" + e + "/partition"))
            parts.emplace_back(e, block + "/" + e);
    for (const auto& p : parts) {
        const std::string devno = read_line(p.second + "/dev");
        if ((!devno.empty() && u.dev_numbers.count(devno)) || u.names.count(p.first))
            return p.first + " is mounted or used as swap";
        if (!dir_entries(p.second + "/holders").empty())
            return p.first + " is part of another device";
    }
    return {};
}

drive_kind kind_of(const std::string& block, const std::string& name, std::string& why)
{
    if (starts_with(name, "loop")) {
        if (exists(block + "/loop/backing_file"))
            return drive_kind::fixed;
        why = "loop device without a backing file";
        return drive_kind::other;
    }
    for (const char* p : {"sr", "ram", "zram", "md", "dm-", "nbd", "fd"})
        if (starts_with(name, p)) {
            why = "not a disk";
            return drive_kind::other;
        }
    if (read_line(block + "/removable") == "1")
        return drive_kind::removable;
    for (const char* p : {"sd", "mmcblk", "vd", "xvd", "hd"})
        if (starts_with(name, p))
            return drive_kind::fixed;
    if (starts_with(name, "nvme") && name.find('n', 4) != std::string::npos)
        return drive_kind::fixed;
    why = "not a disk";
    return drive_kind::other;
}

}  // namespace

bool natural_less(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i]));
        const bool db = std::isdigit(static_cast<unsigned char>(b[j]));
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            size_t zi = i, zj = j;  // skip leading zeros, then longer is larger
            while (zi + 1 < ei && a[zi] == '0')
                ++zi;
            while (zj + 1 < ej && b[zj] == '0')
                ++zj;
            if (ei - zi != ej - zj)
                return ei - zi < ej - zj;
            const int c = a.compare(zi, ei - zi, b, zj, ej - zj);
            if (c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<drive_candidate> list_drives(const roots& r)
{
    std::vector<drive_candidate> out;
    const char* env = std::getenv("TARVIX_SDCARD_DEVICES");
    if (env && *env) {
        std::istringstream in(env);
        for (std::string p; std::getline(in, p, ':');) {
            if (p.empty())
                continue;
            drive_candidate c;
            c.index = int(out.size()) + 4;
            c.name = p;
            c.device_path = p;
            c.kind = drive_kind::removable;
            out.push_back(c);
        }
        return out;
    }
    std::vector<std::string> names = dir_entries(r.sys + "/block");
    std::sort(names.begin(), names.end(), natural_less);
    const in_use used = devices_in_use(r);
    for (const std::string& n : names) {
        drive_candidate c;
        c.index = int(out.size()) + 4;
        c.name = n;
        std::string dev = n;
        std::replace(dev.begin(), dev.end(), '!', '/');
        c.device_path = r.dev + "/" + dev;
        const std::string block = r.sys + "/block/" + n;
        c.why = system_use(block, n, used);
        c.kind = c.why.empty() ? kind_of(block, n, c.why) : drive_kind::system;
        out.push_back(c);
    }
    return out;
}

void device::fail(int err, const char* what)
{
    error_ = err;
    reason_ = std::string(what) + " " + path_ + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM)
        reason_ = "no read permission for " + path_;
    else if (err == ENOMEDIUM)
        reason_ = "no medium in " + path_;
}

bool device::open(const std::string& path)
{
    close();
    path_ = path;
    error_ = 0;
    reason_.clear();
    // Opened without waiting (a FIFO would wait for a writer, a terminal for its line), and
    // kept only when it is a disk or an image file: a FIFO, a character device or a folder
    // is no card.
    const int fd = platform::open_regular_file(path, false, platform::file_kinds::regular_or_block);
    if (fd < 0) {
        if (errno == EISDIR || errno == EINVAL) {
            error_ = ENODEV;
            reason_ = path_ + " is neither a disk nor an image file";
        } else {
            fail(errno, "cannot open");
        }
        return false;
    }
    fd_ = fd;
    ++g_open_devices;
    return true;
}

void device::close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    --g_open_devices;
}

bool device::media_present()
{
    if (fd_ < 0)
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail(errno, "cannot query");
        return false;
    }
    if (S_ISBLK(st.st_mode)) {
        uint64_t size = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &size) != 0) {
            fail(errno, "cannot query the size of");
            return false;
        }
        if (size == 0)
            fail(ENOMEDIUM, "");
        return size > 0;
    }
    if (S_ISREG(st.st_mode) && st.st_size >= 512)
        return true;
    fail(ENOMEDIUM, "");
    return false;
}

bool device::read_at(uint64_t offset, void* buf, size_t n)
{
    if (fd_ < 0)
        return false;
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        const ssize_t got = ::pread(fd_, p, n, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            fail(errno, "cannot read");
            return false;
        }
        if (got == 0) {
            fail(ENXIO, "read past the end of");
            return false;
        }
        p += got;
        n -= size_t(got);
        offset += uint64_t(got);
    }
    return true;
}

int device::open_count() { return g_open_devices.load(); }

}  // namespace disk
