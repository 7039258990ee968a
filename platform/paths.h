// File names that come from Windows-style command lines and settings files: a backslash
// separates components, and the case of a name need not match the file on disk.
#pragma once
#include <string>

namespace platform {

// Maps every "\" to "/" and, when the path does not exist as written, replaces each
// component that is missing by a case-insensitive match from its directory (an exact
// match always wins; among several others the first in byte order). Components that
// match nothing are kept as written, so a file to be created keeps its given name.
std::string resolve_path(const std::string& path);

}  // namespace platform
