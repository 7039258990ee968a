// Opening a file that a user, a settings file or a command line names, for reading. Only a
// regular file is taken: a FIFO would block the open or the read for ever, a device such as
// /dev/zero never ends, and a directory reads as an empty file on some systems. The open
// itself never blocks. A disk reader may take block devices (whole disks) as well.
#pragma once
#include <cstdio>
#include <string>

namespace platform {

// The kinds of file an open takes: regular files only, or block devices (whole disks) too.
enum class file_kinds { regular, regular_or_block };

// A descriptor open for reading, or for reading and writing (close-on-exec), or -1 when the
// path cannot be opened so or is not of the kinds taken (errno: the open's, or EISDIR for a
// directory, EINVAL otherwise).
int open_regular_file(const std::string& path, bool read_write = false, file_kinds kinds = file_kinds::regular);

// The same as a C stream in binary read mode; null when open_regular_file refuses the path.
FILE* fopen_regular(const std::string& path);

}  // namespace platform
