// File names made from card or device texts (tool names, record titles): never a path, never
// hidden, never a control character.
#pragma once
#include <QString>

// Replaces / \ : * ? " < > | and control characters by '_' (the Windows set, so names match
// folders made on Windows) and a leading '.' by '_'; "", "." and ".." give `fallback`.
QString safe_file_name(const QString& name, const QString& fallback);
