// The steps every save takes, shared by the program's file writers and the download
// library's upload: the file a save replaces (links followed to their final target, which
// may not exist yet), whether it may be replaced, and the temporary file beside it that is
// written first and renamed over it only when the whole save succeeded.
#pragma once
#include <string>
#include <sys/types.h>

namespace platform {

// The file a save to `path` replaces: the final target of a link, also of a dangling one (the
// link stays and the target is made), or the path itself. 0, or the system error number.
int save_target(const std::string& path, std::string& target);

// Why the final target of a save cannot be replaced, or 0: a folder (EISDIR), not a regular
// file (ENODEV), or a file without any write permission (EACCES, whoever asks: root may
// write anything, but a read-only file stays read-only as on Windows). `exists` tells
// whether it is there, `mode` then gets its permission bits.
int save_target_error(const std::string& target, mode_t& mode, bool& exists);

// Creates a temporary file beside `target` under a short name nobody can foresee (whatever
// the target's length), exclusively and never through a link, open for reading and writing
// (close-on-exec) with `mode`. The descriptor, or -1 with errno.
int create_save_temporary(const std::string& target, mode_t mode, std::string& tmp);

}  // namespace platform
