// The char copies of the application and data directories, made once at start-up.
#pragma once
#include <QString>

// Stores the char copies of both directories in g_dirs(), in the system's 8-bit file-name
// encoding (what the file names and command lines built from them need). False (and nothing
// stored) when a path does not fit its copy.
bool set_directory_copies(const QString& app_dir, const QString& data_dir);
