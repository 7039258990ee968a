// Paths as the program spells them (Windows style, mixed case) resolved on a case-sensitive
// file system: backslashes become "/", and a component that does not exist as written is
// matched case-insensitively against its directory.
#pragma once
#include <QString>

// The path with "\" turned into "/" and, where a component does not exist as written, the
// first entry of its directory that differs only in case. Components that match nothing are
// kept as written, so the result names where a new file would be created.
QString resolve_path(const QString& path);
